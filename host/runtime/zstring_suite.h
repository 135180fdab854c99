// The text suite: texts a module hands to other suites by reference (the colour
// picker's prompt), kept here until the module frees them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "pluginapi/zstring_suite.h"

namespace brivo::host {

class ZStringSuite {
  public:
    ZStringSuite();
    ~ZStringSuite();
    ZStringSuite(const ZStringSuite&) = delete;
    ZStringSuite& operator=(const ZStringSuite&) = delete;

    // The suite's function table; it serves the object bound with CallBinding<ZStringSuite>
    // and fails every call outside a binding.
    const ASZStringSuite1* table() const noexcept { return &table_; }

    // Host-side operations behind the table's functions.
    ASZString make(std::string text);
    bool remove(ASZString zstring);  // false for a text this suite does not hold
    // The text behind a reference a module passed to another suite; nothing for a null
    // pointer or a reference this suite does not hold.
    std::optional<std::string> text(const void* zstring) const;

    // Texts made and not yet freed.
    int64_t liveTexts() const { return static_cast<int64_t>(texts_.size()); }

  private:
    ASZStringSuite1 table_;
    std::unordered_map<const void*, std::unique_ptr<ASZByte>> texts_;
};

}  // namespace brivo::host
