#include "host/runtime/plugins_suite.h"

#include <cstring>
#include <limits>

#include "host/runtime/call_binding.h"

namespace brivo::host {

namespace {

SPErr getPluginFilePath(void* plugInRef, char* path, int32_t capacity, int32_t* length) noexcept {
    const PluginsSuite* suite = CallBinding<PluginsSuite>::current();
    if (suite == nullptr || plugInRef == nullptr || plugInRef != suite->plugInRef() ||
        capacity < 0 || (path == nullptr && capacity != 0))
        return kSPBadParameterError;
    const std::string& file = suite->modulePath();
    if (file.size() >= static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        return kSPOperationFailedError;
    if (length != nullptr) *length = static_cast<int32_t>(file.size());
    if (file.size() + 1 > static_cast<size_t>(capacity)) {
        if (capacity > 0) path[0] = 0;
        return kSPOperationFailedError;
    }
    std::memcpy(path, file.c_str(), file.size() + 1);
    return kSPNoError;
}

}  // namespace

PluginsSuite::PluginsSuite(const void* plugInRef, const std::filesystem::path& modulePath)
    : table_{&getPluginFilePath},
      plugInRef_(plugInRef),
      modulePath_(std::filesystem::absolute(modulePath).lexically_normal().generic_string()) {}

}  // namespace brivo::host
