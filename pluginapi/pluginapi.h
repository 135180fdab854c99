/* Everything of the host-module contract in one include. */
#ifndef BRIVO_PLUGINAPI_PLUGINAPI_H
#define BRIVO_PLUGINAPI_PLUGINAPI_H

#include "basic_suite.h"
#include "buffer_suite.h"
#include "channel_ports_suite.h"
#include "colorspace_suite.h"
#include "descriptor_parameters.h"
#include "descriptor_suites.h"
#include "diagnostics_suite.h"
#include "filter_record.h"
#include "handles.h"
#include "output_view_suite.h"
#include "plugin_types.h"
#include "resource_section.h"

#endif
