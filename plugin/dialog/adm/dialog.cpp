#include "dialog/adm/dialog.h"

#include <algorithm>
#include <limits>

#include "core/errors.h"
#include "dialog/adm/adm_suites.h"
#include "dialog/adm/callback_guard.h"

namespace brivo::ADM {

namespace {

// Half the room left when `inner` is placed in `outer`, kept within 32 bits whatever
// sizes the toolkit reports.
int32_t centredOffset(int64_t outer, int64_t inner) {
    const int64_t offset = (outer - inner) / 2;
    return static_cast<int32_t>(std::clamp<int64_t>(offset, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

Dialog* boundDialog(ADMDialogRef dialog) noexcept {
    const ADMSuites* suites = ADMSuites::current();
    if (suites == nullptr || dialog == nullptr) return nullptr;
    return static_cast<Dialog*>(suites->dialog->GetUserData(dialog));
}

Dialog::Dialog(const char* name, int32_t dialogID, int32_t style, int32_t options) {
    const ADMSuites& suites = ADMSuites::get();
    ADMDialogRef created = suites.dialog->Create(suites.plugInRef, name, dialogID, style,
                                                 &Dialog::onInit, this, options);
    if (created == nullptr) throw SuiteError{kSPOperationFailedError};
    ref_ = created;
    SetMask(GetMask() | kADMDialogPointerMask);
}

Dialog::~Dialog() {
    const ADMSuites* suites = ADMSuites::current();
    if (ref_ == nullptr || suites == nullptr) return;
    // Unbound first: whatever the toolkit calls while destroying finds no object.
    suites->dialog->SetUserData(ref_, nullptr);
    suites->dialog->Destroy(ref_);
}

ADMErr Dialog::onInit(ADMDialogRef dialog) noexcept {
    Dialog* object = boundDialog(dialog);
    if (object == nullptr) return kSPBadParameterError;
    object->ref_ = dialog;
    const ADMDialogSuite5& suite = ADMSuites::current()->dialog.get();
    suite.SetNotifyProc(dialog, &Dialog::onNotify);
    suite.SetTrackProc(dialog, &Dialog::onTrack);
    suite.SetDrawProc(dialog, &Dialog::onDraw);
    suite.SetDestroyProc(dialog, &Dialog::onDestroy);
    return kSPNoError;
}

void Dialog::onNotify(ADMDialogRef dialog, ADMNotifierRef notifier) noexcept {
    Dialog* object = boundDialog(dialog);
    guardCallback(object, [&] { object->Notify(notifier); });
}

ADMBoolean Dialog::onTrack(ADMDialogRef dialog, ADMTrackerRef tracker) noexcept {
    Dialog* object = boundDialog(dialog);
    return guardCallback(object, ADMBoolean{0},
                         [&] { return ADMBoolean{object->Track(tracker) ? 1 : 0}; });
}

void Dialog::onDraw(ADMDialogRef dialog, ADMDrawerRef drawer) noexcept {
    Dialog* object = boundDialog(dialog);
    guardCallback(object, [&] { object->Draw(drawer); });
}

void Dialog::onDestroy(ADMDialogRef dialog) noexcept {
    Dialog* object = boundDialog(dialog);
    guardCallback(object, [&] { object->Destroy(); });
}

int32_t Dialog::Modal() {
    raiseKeptError();
    const int32_t itemID = ADMSuites::get().dialog->Modal(ref_);
    raiseKeptError();
    return itemID;
}

void Dialog::raiseKeptError() const {
    if (keptError_) std::rethrow_exception(keptError_);
}

void Dialog::keepError(std::exception_ptr error) noexcept {
    if (keptError_) return;
    keptError_ = std::move(error);
    const ADMSuites* suites = ADMSuites::current();
    if (suites != nullptr && ref_ != nullptr) suites->dialog->EndModal(ref_, kADMCancelItemID, 1);
}

void Dialog::Draw(ADMDrawerRef drawer) {
    ADMSuites::get().dialog->DefaultDraw(ref_, drawer);
}

void Dialog::Notify(ADMNotifierRef notifier) {
    const ADMSuites& suites = ADMSuites::get();
    if (suites.notifier->IsNotifierType(notifier, kADMCloseHitNotifier))
        emit(events::close, reinterpret_cast<intptr_t>(notifier));
    suites.dialog->DefaultNotify(ref_, notifier);
}

bool Dialog::Track(ADMTrackerRef tracker) {
    return ADMSuites::get().dialog->DefaultTrack(ref_, tracker) != 0;
}

void Dialog::SetText(const char* text) {
    ADMSuites::get().dialog->SetText(ref_, text != nullptr ? text : "");
}

void Dialog::Move(int32_t x, int32_t y) {
    ADMSuites::get().dialog->Move(ref_, x, y);
}

void Dialog::Size(int32_t width, int32_t height) {
    ADMSuites::get().dialog->Size(ref_, width, height);
}

ADMRect Dialog::GetBoundsRect() const {
    ADMRect bounds{};
    ADMSuites::get().dialog->GetBoundsRect(ref_, &bounds);
    return bounds;
}

void Dialog::SetDefaultItemID(int32_t itemID) {
    ADMSuites::get().dialog->SetDefaultItemID(ref_, itemID);
}

void Dialog::SetCancelItemID(int32_t itemID) {
    ADMSuites::get().dialog->SetCancelItemID(ref_, itemID);
}

void Dialog::EndModal(int32_t itemID, bool cancelling) {
    ADMSuites::get().dialog->EndModal(ref_, itemID, cancelling ? 1 : 0);
}

ADMActionMask Dialog::GetMask() const {
    return ADMSuites::get().dialog->GetMask(ref_);
}

void Dialog::SetMask(ADMActionMask mask) {
    ADMSuites::get().dialog->SetMask(ref_, mask);
}

void Dialog::CenterOnScreen() {
    ADMRect screen{};
    ADMSuites::get().basic->GetMainScreenRect(&screen);
    const ADMRect bounds = GetBoundsRect();
    Move(centredOffset(int64_t{screen.right} - screen.left, int64_t{bounds.right} - bounds.left),
         centredOffset(int64_t{screen.bottom} - screen.top, int64_t{bounds.bottom} - bounds.top));
}

}  // namespace brivo::ADM
