#include "dialog/eye_dropper.h"

#include "adm_item_suite.h"
#include "dialog/adm/adm_suites.h"

namespace brivo {

namespace {

constexpr char kDropperName[] = "IDB_DROPPER";
constexpr int32_t kDropperID = 106;

}  // namespace

EyeDropper::EyeDropper(ADM::Dialog& dialog, int32_t itemID, const ADMRect& bounds)
    : ADM::Button(dialog, itemID, bounds, kADMPicturePushButtonType, 0),
      icon_(std::make_unique<ADM::Icon>(kDropperName, kDropperID)) {}

void EyeDropper::Draw(ADMDrawerRef drawer) {
    ADM::Item::Draw(drawer);
    const ADMDrawerSuite3& suite = ADMSuites::get().drawer.get();
    ADMRect bounds{};
    suite.GetBoundsRect(drawer, &bounds);
    suite.DrawIconCentered(drawer, icon_->GetRef(), &bounds);
}

void EyeDropper::Notify(ADMNotifierRef notifier) {
    ADM::Item::Notify(notifier);
}

}  // namespace brivo
