// The dialog-toolkit suites, acquired as one set for as long as a window is built and
// shown, and reachable from every dialog and item object while they are.
#pragma once

#include "adm_basic_suite.h"
#include "adm_dialog_suite.h"
#include "adm_drawer_suite.h"
#include "adm_entry_suite.h"
#include "adm_image_suite.h"
#include "adm_item_suite.h"
#include "adm_list_entry_suite.h"
#include "adm_list_suite.h"
#include "adm_notifier_suite.h"
#include "adm_tracker_suite.h"
#include "basic_suite.h"
#include "core/suite_holder.h"

namespace brivo {

class ADMSuites {
  public:
    // Acquires the ten suites through `basic` and makes them the current set. When the host
    // refuses one, gives back those already acquired and throws SuiteError.
    ADMSuites(const SPBasicSuite* basic, void* plugInRef);
    // Releases the ten suites and restores the set that was current before.
    ~ADMSuites();
    ADMSuites(const ADMSuites&) = delete;
    ADMSuites& operator=(const ADMSuites&) = delete;

    // The current set; throws SuiteError when no window is being built or shown.
    static const ADMSuites& get();
    // The current set or null, for destructors, which must not throw.
    static const ADMSuites* current() noexcept { return current_; }

    const SPBasicSuite* basicSuite;
    void* plugInRef;
    SuiteHolder<ADMBasicSuite5> basic;
    SuiteHolder<ADMDialogSuite5> dialog;
    SuiteHolder<ADMItemSuite5> item;
    SuiteHolder<ADMNotifierSuite2> notifier;
    SuiteHolder<ADMTrackerSuite1> tracker;
    SuiteHolder<ADMEntrySuite4> entry;
    SuiteHolder<ADMListSuite2> list;
    SuiteHolder<ADMListEntrySuite2> listEntry;
    SuiteHolder<ADMDrawerSuite3> drawer;
    SuiteHolder<ADMImageSuite1> image;

  private:
    const ADMSuites* previous_;
    static inline const ADMSuites* current_ = nullptr;
};

}  // namespace brivo
