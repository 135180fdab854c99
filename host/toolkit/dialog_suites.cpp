// The Basic and Dialog suites.
#include <algorithm>
#include <cstring>

#include "host/toolkit/file_filters.h"
#include "host/toolkit/suite_call.h"
#include "host/toolkit/suite_tables.h"

namespace brivo::host::toolkit {

void copyText(const std::string& text, char* buffer, int32_t capacity) {
    if (!buffer || capacity < 1) return;
    const size_t n = std::min(text.size(), static_cast<size_t>(capacity) - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

namespace {

// ---- Basic suite ----

void getMainScreenRect(ADMRect* rect) noexcept {
    if (!rect) return;
    *rect = ADMRect{0, 0, 0, 0};
    guarded([&](Toolkit& t) { *rect = t.backend().mainScreen(); });
}

ADMErr chooseColor(ADMPoint where, ADMRGBColor initial, ADMRGBColor* chosen) noexcept {
    if (!chosen) return kSPBadParameterError;
    return guarded<ADMErr>(kSPOperationFailedError, [&](Toolkit& t) -> ADMErr {
        std::optional<ADMRGBColor> color = t.backend().chooseColor(where, initial);
        if (!color) return kADMCancelledError;
        *chosen = *color;
        return kSPNoError;
    });
}

ADMErr chooseOpenFile(const char* title, const char* filters, const char* startFolder, char* path,
                      int32_t capacity) noexcept {
    if (!path || capacity < 1) return kSPBadParameterError;
    path[0] = '\0';
    return guarded<ADMErr>(kSPOperationFailedError, [&](Toolkit& t) -> ADMErr {
        std::optional<std::string> chosen = t.backend().chooseOpenFile(
            textOrEmpty(title), parseFileFilters(filters), textOrEmpty(startFolder));
        if (!chosen) return kADMCancelledError;
        if (chosen->size() + 1 > static_cast<size_t>(capacity)) return kSPBadParameterError;
        copyText(*chosen, path, capacity);
        return kSPNoError;
    });
}

// ---- Dialog suite ----

ADMDialogRef create(void* pluginRef, const char* name, int32_t dialogID, int32_t style,
                    ADMDialogInitProc init, void* userData, int32_t options) noexcept {
    return guarded<ADMDialogRef>(nullptr, [&](Toolkit& t) {
        return toRef<ADMDialogRef>(
            t.createDialog(pluginRef, name, dialogID, style, init, userData, options));
    });
}

void destroy(ADMDialogRef ref) noexcept {
    withLive<Dialog>(ref, [](Toolkit& t, Dialog& d) { t.destroyDialog(d); });
}

int32_t modal(ADMDialogRef ref) noexcept {
    return withLive<int32_t, Dialog>(ref, kADMCancelItemID,
                                     [](Toolkit& t, Dialog& d) { return t.runModal(d); });
}

void endModal(ADMDialogRef ref, int32_t itemID, ADMBoolean cancelling) noexcept {
    withLive<Dialog>(ref, [&](Toolkit& t, Dialog& d) { t.endModal(d, itemID, cancelling != 0); });
}

void setDefaultItemID(ADMDialogRef ref, int32_t id) noexcept {
    withLive<Dialog>(ref, [&](Toolkit&, Dialog& d) { d.defaultItemID = id; });
}
int32_t getDefaultItemID(ADMDialogRef ref) noexcept {
    return withLive<int32_t, Dialog>(ref, 0, [](Toolkit&, Dialog& d) { return d.defaultItemID; });
}
void setCancelItemID(ADMDialogRef ref, int32_t id) noexcept {
    withLive<Dialog>(ref, [&](Toolkit&, Dialog& d) { d.cancelItemID = id; });
}
int32_t getCancelItemID(ADMDialogRef ref) noexcept {
    return withLive<int32_t, Dialog>(ref, 0, [](Toolkit&, Dialog& d) { return d.cancelItemID; });
}

void setUserData(ADMDialogRef ref, void* data) noexcept {
    withLive<Dialog>(ref, [&](Toolkit&, Dialog& d) { d.userData = data; });
}
void* getUserData(ADMDialogRef ref) noexcept {
    return withLive<void*, Dialog>(ref, nullptr, [](Toolkit&, Dialog& d) { return d.userData; });
}

void setNotifyProc(ADMDialogRef ref, ADMDialogNotifyProc proc) noexcept {
    withLive<Dialog>(ref, [&](Toolkit&, Dialog& d) { d.notifyProc = proc; });
}
void setTrackProc(ADMDialogRef ref, ADMDialogTrackProc proc) noexcept {
    withLive<Dialog>(ref, [&](Toolkit&, Dialog& d) { d.trackProc = proc; });
}
void setDrawProc(ADMDialogRef ref, ADMDialogDrawProc proc) noexcept {
    withLive<Dialog>(ref, [&](Toolkit& t, Dialog& d) {
        d.drawProc = proc;
        t.invalidate(d);
    });
}
void setDestroyProc(ADMDialogRef ref, ADMDialogDestroyProc proc) noexcept {
    withLive<Dialog>(ref, [&](Toolkit&, Dialog& d) { d.destroyProc = proc; });
}

void defaultNotify(ADMDialogRef ref, ADMNotifierRef notifier) noexcept {
    withLive<Dialog>(ref, [&](Toolkit& t, Dialog& d) {
        if (Notifier* n = resolve<Notifier>(t, notifier)) t.defaultNotify(d, *n);
    });
}
ADMBoolean defaultTrack(ADMDialogRef, ADMTrackerRef) noexcept {
    return 0;
}
void defaultDraw(ADMDialogRef ref, ADMDrawerRef drawer) noexcept {
    withLive<Dialog>(ref, [&](Toolkit& t, Dialog& d) {
        if (Drawer* dr = resolve<Drawer>(t, drawer)) t.defaultDraw(d, *dr);
    });
}

ADMActionMask getMask(ADMDialogRef ref) noexcept {
    return withLive<ADMActionMask, Dialog>(ref, 0, [](Toolkit&, Dialog& d) { return d.mask; });
}
void setMask(ADMDialogRef ref, ADMActionMask mask) noexcept {
    withLive<Dialog>(ref, [&](Toolkit&, Dialog& d) { d.mask = mask; });
}

void setText(ADMDialogRef ref, const char* text) noexcept {
    withLive<Dialog>(ref, [&](Toolkit& t, Dialog& d) {
        d.title = textOrEmpty(text);
        t.changed(d);
    });
}

void move(ADMDialogRef ref, int32_t x, int32_t y) noexcept {
    withLive<Dialog>(ref, [&](Toolkit& t, Dialog& d) {
        d.bounds = {x, y, x + d.width(), y + d.height()};
        t.changed(d);
    });
}
void size(ADMDialogRef ref, int32_t width, int32_t height) noexcept {
    withLive<Dialog>(ref, [&](Toolkit& t, Dialog& d) {
        d.bounds.right = d.bounds.left + std::max(width, 0);
        d.bounds.bottom = d.bounds.top + std::max(height, 0);
        t.changed(d);
    });
}
void getBoundsRect(ADMDialogRef ref, ADMRect* rect) noexcept {
    if (!rect) return;
    *rect = ADMRect{0, 0, 0, 0};
    withLive<Dialog>(ref, [&](Toolkit&, Dialog& d) { *rect = d.bounds; });
}
void getLocalRect(ADMDialogRef ref, ADMRect* rect) noexcept {
    if (!rect) return;
    *rect = ADMRect{0, 0, 0, 0};
    withLive<Dialog>(ref, [&](Toolkit&, Dialog& d) { *rect = {0, 0, d.width(), d.height()}; });
}

void invalidate(ADMDialogRef ref) noexcept {
    withLive<Dialog>(ref, [](Toolkit& t, Dialog& d) { t.invalidate(d); });
}
void update(ADMDialogRef ref) noexcept {
    withLive<Dialog>(ref, [](Toolkit& t, Dialog& d) { t.update(d); });
}

const ADMBasicSuite5 kBasic{&getMainScreenRect, &chooseColor, &chooseOpenFile};

const ADMDialogSuite5 kDialog{&create,
                              &destroy,
                              &modal,
                              &endModal,
                              &setDefaultItemID,
                              &getDefaultItemID,
                              &setCancelItemID,
                              &getCancelItemID,
                              &setUserData,
                              &getUserData,
                              &setNotifyProc,
                              &setTrackProc,
                              &setDrawProc,
                              &setDestroyProc,
                              &defaultNotify,
                              &defaultTrack,
                              &defaultDraw,
                              &getMask,
                              &setMask,
                              &setText,
                              &move,
                              &size,
                              &getBoundsRect,
                              &getLocalRect,
                              &invalidate,
                              &update};

}  // namespace

const ADMBasicSuite5* basicSuiteTable() {
    return &kBasic;
}
const ADMDialogSuite5* dialogSuiteTable() {
    return &kDialog;
}

}  // namespace brivo::host::toolkit
