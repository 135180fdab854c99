#include "dialog/about_dialog.h"

#include "dialog/adm/adm_suites.h"

namespace brivo {

namespace {

constexpr char kAboutName[] = "KRX_BRIVO_ABOUT";
constexpr char kAboutTitle[] = "About Brivo!";
constexpr int32_t kSplashItemID = 1;
constexpr int32_t kSplashPictureID = 102;

}  // namespace

AboutDialog::AboutDialog() : ADM::Dialog(kAboutName, 0, 0, 0) {
    SetText(kAboutTitle);
    splash_ = std::make_unique<SplashItem>(*this, kSplashItemID, kSplashPictureID);
    SetDefaultItemID(0);
    SetCancelItemID(0);
    const ADMRect picture = splash_->GetLocalRect();
    Size(picture.right - picture.left, picture.bottom - picture.top);
}

void ShowAbout(const AboutRecord& about) {
    const ADMSuites suites(about.sSPBasic, about.plugInRef);
    AboutDialog dialog;
    dialog.CenterOnScreen();
    dialog.Modal();
}

}  // namespace brivo
