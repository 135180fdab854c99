#include "app/result_messages.h"

#include "pluginapi/plugin_types.h"

namespace brivo::app {

std::string describeResult(int16_t result) {
    switch (result) {
        case noErr:
            return "done";
        case memFullErr:
            return "out of memory: the filter could not get the memory it needs";
        case userCanceledErr:
            return "cancelled";
        case errPlugInHostInsufficient:
            return "the host lacks a service the filter needs";
        default:
            return "the filter failed with result code " + std::to_string(result);
    }
}

int exitStatusForResult(int16_t result) {
    if (result == noErr) return 0;
    return result == userCanceledErr ? 130 : 1;
}

}  // namespace brivo::app
