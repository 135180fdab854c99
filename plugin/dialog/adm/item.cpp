#include "dialog/adm/item.h"

#include <limits>
#include <vector>

#include "core/errors.h"
#include "dialog/adm/adm_suites.h"
#include "dialog/adm/callback_guard.h"

namespace brivo::ADM {

namespace {

// The object bound to a toolkit item, or null once it is unbound.
Item* boundItem(ADMItemRef item) noexcept {
    const ADMSuites* suites = ADMSuites::current();
    if (suites == nullptr || item == nullptr) return nullptr;
    return static_cast<Item*>(suites->item->GetUserData(item));
}

Dialog* dialogOf(const Item* item) noexcept {
    return item != nullptr ? item->GetDialog() : nullptr;
}

}  // namespace

bool isNotifier(ADMNotifierRef notifier, const char* kind) {
    return ADMSuites::get().notifier->IsNotifierType(notifier, kind) != 0;
}

Item::~Item() {
    const ADMSuites* suites = ADMSuites::current();
    if (ref_ == nullptr || suites == nullptr) return;
    // Unbound first: whatever the toolkit calls while destroying finds no object.
    suites->item->SetUserData(ref_, nullptr);
    suites->item->Destroy(ref_);
}

void Item::Create(Dialog& dialog, int32_t itemID, const char* typeName, const ADMRect& bounds,
                  int32_t options) {
    dialog_ = &dialog;
    ADMItemRef created = ADMSuites::get().item->Create(dialog.GetRef(), itemID, typeName, &bounds,
                                                       &Item::onInit, this, options);
    if (created == nullptr) throw SuiteError{kSPOperationFailedError};
    ref_ = created;
}

void Item::takeBestSizeIfNoWidth(const ADMRect& bounds) {
    if (bounds.right != bounds.left) return;
    const Size2 best = GetBestSize();
    Size(best.width, best.height);
}

ADMErr Item::onInit(ADMItemRef item) noexcept {
    Item* object = boundItem(item);
    if (object == nullptr) return kSPBadParameterError;
    object->ref_ = item;
    const bool initialised = guardCallback(dialogOf(object), false, [&] {
        object->Init();
        return true;
    });
    if (!initialised) return kSPOperationFailedError;
    const ADMItemSuite5& suite = ADMSuites::current()->item.get();
    suite.SetNotifyProc(item, &Item::onNotify);
    suite.SetTrackProc(item, &Item::onTrack);
    suite.SetDrawProc(item, &Item::onDraw);
    return kSPNoError;
}

void Item::onNotify(ADMItemRef item, ADMNotifierRef notifier) noexcept {
    Item* object = boundItem(item);
    guardCallback(dialogOf(object), [&] { object->Notify(notifier); });
}

ADMBoolean Item::onTrack(ADMItemRef item, ADMTrackerRef tracker) noexcept {
    Item* object = boundItem(item);
    return guardCallback(dialogOf(object), ADMBoolean{0},
                         [&] { return ADMBoolean{object->Track(tracker) ? 1 : 0}; });
}

void Item::onDraw(ADMItemRef item, ADMDrawerRef drawer) noexcept {
    Item* object = boundItem(item);
    guardCallback(dialogOf(object), [&] { object->Draw(drawer); });
}

void Item::Show() {
    ADMSuites::get().item->Show(ref_, 1);
    Invalidate();
}

void Item::Hide() {
    ADMSuites::get().item->Show(ref_, 0);
}

void Item::SetBoundsRect(const ADMRect& bounds) {
    ADMSuites::get().item->SetBoundsRect(ref_, &bounds);
}

void Item::Move(int32_t x, int32_t y) {
    const ADMRect bounds = GetBoundsRect();
    SetBoundsRect(
        ADMRect{x, y, x + (bounds.right - bounds.left), y + (bounds.bottom - bounds.top)});
}

void Item::Size(int32_t width, int32_t height) {
    const ADMRect bounds = GetBoundsRect();
    SetBoundsRect(ADMRect{bounds.left, bounds.top, bounds.left + width, bounds.top + height});
}

bool Item::Track(ADMTrackerRef tracker) {
    return ADMSuites::get().item->DefaultTrack(ref_, tracker) != 0;
}

void Item::Draw(ADMDrawerRef drawer) {
    ADMSuites::get().item->DefaultDraw(ref_, drawer);
}

void Item::Notify(ADMNotifierRef notifier) {
    ADMSuites::get().item->DefaultNotify(ref_, notifier);
}

int32_t Item::GetID() const {
    return ADMSuites::get().item->GetID(ref_);
}

void Item::Enable(bool enable) {
    ADMSuites::get().item->Enable(ref_, enable ? 1 : 0);
}

bool Item::IsVisible() const {
    return ADMSuites::get().item->IsVisible(ref_) != 0;
}

ADMRect Item::GetLocalRect() const {
    ADMRect rect{};
    ADMSuites::get().item->GetLocalRect(ref_, &rect);
    return rect;
}

ADMRect Item::GetBoundsRect() const {
    ADMRect rect{};
    ADMSuites::get().item->GetBoundsRect(ref_, &rect);
    return rect;
}

Size2 Item::GetBestSize() const {
    Size2 size{0, 0};
    ADMSuites::get().item->GetBestSize(ref_, &size.width, &size.height);
    return size;
}

void Item::Invalidate() {
    ADMSuites::get().item->Invalidate(ref_);
}

void Item::Update() {
    ADMSuites::get().item->Update(ref_);
}

void Item::SetFont(int32_t font) {
    ADMSuites::get().item->SetFont(ref_, font);
}

void Item::SetJustify(int32_t justify) {
    ADMSuites::get().item->SetJustify(ref_, justify);
}

void Item::SetText(const char* text) {
    ADMSuites::get().item->SetText(ref_, text != nullptr ? text : "");
}

std::string Item::GetText() const {
    const ADMItemSuite5& suite = ADMSuites::get().item.get();
    const int32_t length = suite.GetTextLength(ref_);
    if (length <= 0) return {};
    const int32_t capacity = length < std::numeric_limits<int32_t>::max() ? length + 1 : length;
    std::vector<char> text(static_cast<size_t>(capacity), '\0');
    suite.GetText(ref_, text.data(), capacity);
    return std::string(text.data());
}

void Item::SetBooleanValue(bool value) {
    ADMSuites::get().item->SetBooleanValue(ref_, value ? 1 : 0);
}

ADMActionMask Item::GetMask() const {
    return ADMSuites::get().item->GetMask(ref_);
}

void Item::SetMask(ADMActionMask mask) {
    ADMSuites::get().item->SetMask(ref_, mask);
}

}  // namespace brivo::ADM
