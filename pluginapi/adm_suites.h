/* Every dialog-toolkit suite in one include. */
#ifndef BRIVO_PLUGINAPI_ADM_SUITES_H
#define BRIVO_PLUGINAPI_ADM_SUITES_H

#include "adm_basic_suite.h"
#include "adm_dialog_suite.h"
#include "adm_drawer_suite.h"
#include "adm_entry_suite.h"
#include "adm_icon_suite.h"
#include "adm_image_suite.h"
#include "adm_item_suite.h"
#include "adm_list_entry_suite.h"
#include "adm_list_suite.h"
#include "adm_notifier_suite.h"
#include "adm_tracker_suite.h"
#include "adm_types.h"

#endif
