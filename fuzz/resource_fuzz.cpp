// The host's resource reader: any bytes read as a module file, and every resource found (or
// the bytes themselves) read as a property list, a scripting terminology and a parameter
// catalog. Only the readers' own errors are acceptable failures.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz_support.h"
#include "host/scripting/parameter_catalog.h"
#include "host/scripting/property_list.h"
#include "host/scripting/resource_reader.h"
#include "host/scripting/terminology.h"

namespace {

void readResource(std::span<const uint8_t> bytes) {
    try {
        const brivo::host::PropertyList properties = brivo::host::PropertyList::parse(bytes);
        properties.offeredModes();
        properties.terminologyLink();
    } catch (const brivo::host::ResourceError&) {
    }
    try {
        brivo::host::Terminology::parse(bytes);
    } catch (const brivo::host::ResourceError&) {
    }
    try {
        const brivo::host::ParameterCatalog catalog = brivo::host::ParameterCatalog::parse(bytes);
        for (const std::string& name : catalog.fieldNames()) catalog.field(name);
    } catch (const brivo::host::ResourceError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    readResource(std::span<const uint8_t>(data, size));
    const brivo::fuzz::MemoryFile file(data, size);
    try {
        const brivo::host::ResourceReader reader(file.path());
        for (const brivo::host::Resource& resource : reader.resources())
            readResource(resource.bytes);
    } catch (const brivo::host::ResourceError&) {
    }
    return 0;
}
