// What `brivo edit` adds to a filter run: the dialog, shown in windows or driven by a
// script, opening on the values given or on the last ones the user confirmed.
#pragma once

#include <memory>
#include <optional>

#include "app/command_line.h"
#include "host/scripting/descriptor_values.h"
#include "host/toolkit/backend.h"

namespace brivo::app {

// The values the dialog opens on: those given on the command line, else (unless
// --defaults) the ones kept from the last confirmed dialog, else none (the defaults). A
// kept file that cannot be read is reported and passed over.
host::DescriptorValues startingValues(const ApplyOptions& options,
                                      const host::DescriptorValues& given);

// The backend that shows the dialog. Throws std::runtime_error, saying what to do instead,
// when the dialog needs windows and no display can be opened.
std::unique_ptr<host::toolkit::Backend> dialogBackend(const EditOptions& edit);

// Keeps what the module recorded after a confirmed dialog for the next `brivo edit`; a
// failure is reported and does not fail the run.
void keepConfirmedValues(const ApplyOptions& options, const host::DescriptorValues& recorded);

}  // namespace brivo::app
