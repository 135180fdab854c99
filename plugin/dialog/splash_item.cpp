#include "dialog/splash_item.h"

#include "adm_item_suite.h"
#include "adm_notifier_suite.h"
#include "dialog/adm/adm_suites.h"
#include "dialog/adm/dialog.h"

namespace brivo {

namespace {

constexpr char kSplashName[] = "IDB_SPLASH";
constexpr int32_t kClosedBySplash = 1;

}  // namespace

SplashItem::SplashItem(ADM::Dialog& dialog, int32_t itemID, int32_t pictureID)
    : icon_(std::make_unique<ADM::Icon>(kSplashName, pictureID)) {
    Create(dialog, itemID, kADMPicturePushButtonType,
           ADMRect{0, 0, icon_->width(), icon_->height()}, kADMItemFlatOption);
}

void SplashItem::Draw(ADMDrawerRef drawer) {
    ADM::Item::Draw(drawer);
    ADMSuites::get().drawer->DrawIcon(drawer, icon_->GetRef(), ADMPoint{0, 0});
}

void SplashItem::Notify(ADMNotifierRef notifier) {
    if (ADM::isNotifier(notifier, kADMUserChangedNotifier))
        GetDialog()->EndModal(kClosedBySplash, false);
    else
        ADM::Item::Notify(notifier);
}

}  // namespace brivo
