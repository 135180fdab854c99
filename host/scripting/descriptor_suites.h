// The Action Descriptor suite (Make, Free) and the Descriptor Registry suite (Register,
// Erase, Get), serving the DescriptorStore bound with CallBinding<DescriptorStore>.
#pragma once

#include "host/runtime/suite_registry.h"

namespace brivo::host {

// Offers both suites through registry.
void addDescriptorSuites(SuiteRegistry& registry);

}  // namespace brivo::host
