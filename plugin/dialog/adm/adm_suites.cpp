#include "dialog/adm/adm_suites.h"

namespace brivo {

// Members are acquired in declaration order; when one throws, those already built are
// released by their own destructors.
ADMSuites::ADMSuites(const SPBasicSuite* basicSuite_, void* plugInRef_)
    : basicSuite(basicSuite_),
      plugInRef(plugInRef_),
      basic(basicSuite_, kADMBasicSuite, kADMBasicSuiteVersion5),
      dialog(basicSuite_, kADMDialogSuite, kADMDialogSuiteVersion5),
      item(basicSuite_, kADMItemSuite, kADMItemSuiteVersion5),
      notifier(basicSuite_, kADMNotifierSuite, kADMNotifierSuiteVersion2),
      tracker(basicSuite_, kADMTrackerSuite, kADMTrackerSuiteVersion1),
      entry(basicSuite_, kADMEntrySuite, kADMEntrySuiteVersion4),
      list(basicSuite_, kADMListSuite, kADMListSuiteVersion2),
      listEntry(basicSuite_, kADMListEntrySuite, kADMListEntrySuiteVersion2),
      drawer(basicSuite_, kADMDrawerSuite, kADMDrawerSuiteVersion3),
      image(basicSuite_, kADMImageSuite, kADMImageSuiteVersion1),
      previous_(current_) {
    current_ = this;
}

ADMSuites::~ADMSuites() {
    current_ = previous_;
}

const ADMSuites& ADMSuites::get() {
    if (current_ == nullptr) throw SuiteError{kSPOperationFailedError};
    return *current_;
}

}  // namespace brivo
