// Writes the parameter record as the scripting descriptor the host records.
#pragma once

#include "core/filter_parameters.h"
#include "descriptor_parameters.h"

namespace brivo {

// Puts every recorded field through the host's writer and hands the new descriptor to
// the host, disposing of the one it replaces. Does nothing without a writer.
void writeDescriptor(PIDescriptorParameters* descriptorParameters, const HandleProcs* handleProcs,
                     const FilterParameters& parameters);

}  // namespace brivo
