// Reads a recorded scripting descriptor into the parameter record.
#pragma once

#include "core/filter_parameters.h"
#include "descriptor_parameters.h"

namespace brivo {

// When the host hands over a readable descriptor, resets the parameters to their defaults
// and stores every value of a known key that arrives; true then. False (parameters
// untouched) when there is nothing to read.
bool readDescriptor(const PIDescriptorParameters* descriptorParameters,
                    FilterParameters& parameters);

}  // namespace brivo
