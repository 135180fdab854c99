// The host's action files and the command's presets: any text read as an action (and an
// action that reads is written and read back to the same values) and as a preset. Only the
// readers' own errors are acceptable failures.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/parameter_options.h"
#include "fuzz_support.h"
#include "host/scripting/action_file.h"

namespace {

void readAsAction(const std::string& text) {
    brivo::host::DescriptorValues values;
    try {
        values = brivo::host::actionFromJson(text);
    } catch (const brivo::host::ActionFileError&) {
        return;
    }
    const brivo::host::DescriptorValues again =
        brivo::host::actionFromJson(brivo::host::actionToJson(values));
    brivo::fuzz::require(again.encode() == values.encode(), "an action survives a round trip");
}

void readAsPreset(const uint8_t* data, size_t size) {
    const brivo::fuzz::MemoryFile file(data, size);
    brivo::host::DescriptorValues values;
    try {
        brivo::app::ParameterSetter(brivo::fuzz::moduleCatalog()).applyPreset(values, file.path());
    } catch (const brivo::app::ParameterError&) {
        brivo::fuzz::require(values.empty(), "a refused preset changes nothing");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    readAsAction(std::string(reinterpret_cast<const char*>(data), size));
    readAsPreset(data, size);
    return 0;
}
