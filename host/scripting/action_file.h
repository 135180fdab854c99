// An action on disk: one recorded descriptor as a small JSON document
// (docs/action-format.md).
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#include "host/scripting/descriptor_values.h"

namespace brivo::host {

class ActionFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

std::string actionToJson(const DescriptorValues& values);
// Throws ActionFileError naming the item at fault for malformed text.
DescriptorValues actionFromJson(const std::string& text);

void saveAction(const std::filesystem::path& path, const DescriptorValues& values);
DescriptorValues loadAction(const std::filesystem::path& path);

}  // namespace brivo::host
