// The reader and writer procedure tables a host puts in its descriptor parameters. They
// serve the DescriptorStore bound with CallBinding<DescriptorStore> and fail safely
// (null reader or writer, kSPBadParameterError) outside a binding.
#pragma once

#include "pluginapi/descriptor_parameters.h"

namespace brivo::host {

ReadDescriptorProcs* readDescriptorProcs() noexcept;
WriteDescriptorProcs* writeDescriptorProcs() noexcept;

}  // namespace brivo::host
