// The plug-ins suite: tells a module where its own file is, so it can find what is shipped
// beside it.
#pragma once

#include <filesystem>

#include "pluginapi/plugins_suite.h"

namespace brivo::host {

class PluginsSuite {
  public:
    // Serves the module loaded from modulePath, identified by plugInRef (the value the
    // host puts in the records it hands that module).
    PluginsSuite(const void* plugInRef, const std::filesystem::path& modulePath);
    PluginsSuite(const PluginsSuite&) = delete;
    PluginsSuite& operator=(const PluginsSuite&) = delete;

    // The suite's function table; it serves the object bound with
    // CallBinding<PluginsSuite> and knows no module outside a binding.
    const SPPluginsSuite4* table() const noexcept { return &table_; }

    const void* plugInRef() const noexcept { return plugInRef_; }
    // The module's file as an absolute path with '/' separators.
    const std::string& modulePath() const noexcept { return modulePath_; }

  private:
    SPPluginsSuite4 table_;
    const void* plugInRef_;
    std::string modulePath_;
};

}  // namespace brivo::host
