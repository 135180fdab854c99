#include "toolkit/toolkit_test_support.h"

#include <string>

namespace brivo::test {

namespace {

const ToolkitTables* gTables = nullptr;

CallLog* logOf(ADMItemRef item) {
    return static_cast<CallLog*>(gTables->item->GetUserData(item));
}

void notifyItem(ADMItemRef item, ADMNotifierRef notifier) {
    if (CallLog* log = logOf(item))
        log->calls.push_back(std::string("notify ") + gTables->notifier->GetNotifierType(notifier));
    gTables->item->DefaultNotify(item, notifier);
}

ADMBoolean trackItem(ADMItemRef item, ADMTrackerRef tracker) {
    CallLog* log = logOf(item);
    if (!log) return 0;
    ADMPoint p;
    gTables->tracker->GetPoint(tracker, &p);
    log->calls.push_back("track " + std::to_string(gTables->tracker->GetAction(tracker)) + " " +
                         std::to_string(p.x) + "," + std::to_string(p.y) + " " +
                         std::to_string(gTables->tracker->GetModifiers(tracker)));
    return log->defaultTracking ? gTables->item->DefaultTrack(item, tracker) : 0;
}

void drawItem(ADMItemRef item, ADMDrawerRef drawer) {
    ADMRect r;
    gTables->drawer->GetBoundsRect(drawer, &r);
    if (CallLog* log = logOf(item))
        log->calls.push_back("draw " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                             std::to_string(r.right) + "," + std::to_string(r.bottom));
    gTables->item->DefaultDraw(item, drawer);
}

void destroyItem(ADMItemRef item) {
    if (CallLog* log = logOf(item)) log->calls.push_back("destroy");
}

void notifyDialog(ADMDialogRef dialog, ADMNotifierRef notifier) {
    if (auto* log = static_cast<CallLog*>(gTables->dialog->GetUserData(dialog)))
        log->calls.push_back(std::string("notify ") + gTables->notifier->GetNotifierType(notifier));
    gTables->dialog->DefaultNotify(dialog, notifier);
}

void destroyDialog(ADMDialogRef dialog) {
    if (auto* log = static_cast<CallLog*>(gTables->dialog->GetUserData(dialog)))
        log->calls.push_back("destroy");
}

template <class T>
const T* acquired(host::SuiteRegistry& registry, const char* name, int32_t version) {
    const void* table = nullptr;
    registry.acquire(name, version, &table);
    return static_cast<const T*>(table);
}

constexpr std::pair<const char*, int32_t> kSuites[] = {
    {kADMBasicSuite, 5},   {kADMDialogSuite, 5}, {kADMItemSuite, 5},  {kADMNotifierSuite, 2},
    {kADMTrackerSuite, 1}, {kADMListSuite, 2},   {kADMEntrySuite, 4}, {kADMListEntrySuite, 2},
    {kADMDrawerSuite, 3},  {kADMImageSuite, 1},  {kADMIconSuite, 2}};

}  // namespace

ToolkitTables::ToolkitTables(host::SuiteRegistry& f)
    : registry(f),
      basic(acquired<ADMBasicSuite5>(f, kADMBasicSuite, 5)),
      dialog(acquired<ADMDialogSuite5>(f, kADMDialogSuite, 5)),
      item(acquired<ADMItemSuite5>(f, kADMItemSuite, 5)),
      notifier(acquired<ADMNotifierSuite2>(f, kADMNotifierSuite, 2)),
      tracker(acquired<ADMTrackerSuite1>(f, kADMTrackerSuite, 1)),
      list(acquired<ADMListSuite2>(f, kADMListSuite, 2)),
      entry(acquired<ADMEntrySuite4>(f, kADMEntrySuite, 4)),
      listEntry(acquired<ADMListEntrySuite2>(f, kADMListEntrySuite, 2)),
      drawer(acquired<ADMDrawerSuite3>(f, kADMDrawerSuite, 3)),
      image(acquired<ADMImageSuite1>(f, kADMImageSuite, 1)),
      icon(acquired<ADMIconSuite2>(f, kADMIconSuite, 2)) {
    gTables = this;
}

ToolkitTables::~ToolkitTables() {
    for (const auto& [name, version] : kSuites) registry.release(name, version);
    if (gTables == this) gTables = nullptr;
}

std::vector<std::string> CallLog::only(const std::string& prefix) const {
    std::vector<std::string> matching;
    for (const std::string& call : calls)
        if (call.rfind(prefix, 0) == 0) matching.push_back(call);
    return matching;
}

ADMErr recordItem(ADMItemRef item) {
    gTables->item->SetNotifyProc(item, &notifyItem);
    gTables->item->SetTrackProc(item, &trackItem);
    gTables->item->SetDrawProc(item, &drawItem);
    gTables->item->SetDestroyProc(item, &destroyItem);
    return kSPNoError;
}

ADMErr recordDialog(ADMDialogRef dialog) {
    gTables->dialog->SetNotifyProc(dialog, &notifyDialog);
    gTables->dialog->SetDestroyProc(dialog, &destroyDialog);
    return kSPNoError;
}

}  // namespace brivo::test
