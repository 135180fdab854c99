// The about box's window: one splash picture and nothing else.
#pragma once

#include <memory>

#include "dialog/adm/dialog.h"
#include "dialog/splash_item.h"
#include "filter_record.h"

namespace brivo {

class AboutDialog : public ADM::Dialog {
  public:
    // A window with its title, exactly the size of the splash picture, which no key
    // closes.
    AboutDialog();

    SplashItem& splash() { return *splash_; }

  private:
    std::unique_ptr<SplashItem> splash_;
};

// Shows the about box until its picture is clicked (or the window closed).
void ShowAbout(const AboutRecord& about);

}  // namespace brivo
