// The function tables of the dialog-toolkit suites; each serves the toolkit bound with
// CallBinding<Toolkit> for the call in progress.
#pragma once

#include "pluginapi/adm_suites.h"

namespace brivo::host::toolkit {

const ADMBasicSuite5* basicSuiteTable();
const ADMDialogSuite5* dialogSuiteTable();
const ADMItemSuite5* itemSuiteTable();
const ADMNotifierSuite2* notifierSuiteTable();
const ADMTrackerSuite1* trackerSuiteTable();
const ADMListSuite2* listSuiteTable();
const ADMEntrySuite4* entrySuiteTable();
const ADMListEntrySuite2* listEntrySuiteTable();
const ADMDrawerSuite3* drawerSuiteTable();
const ADMImageSuite1* imageSuiteTable();
const ADMIconSuite2* iconSuiteTable();

}  // namespace brivo::host::toolkit
