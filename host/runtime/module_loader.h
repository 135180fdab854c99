// Loads a filter module and finds its entry point.
#pragma once

#include <filesystem>
#include <stdexcept>

#include "pluginapi/filter_record.h"

namespace brivo::host {

class ModuleLoadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class ModuleLoader {
  public:
    enum class Copy { shared, fresh };

    // Loads the module at path. Copy::fresh loads a private copy, so the module's
    // process-wide state starts anew even when the same file is already loaded.
    // Throws ModuleLoadError when the file cannot be loaded or lacks PluginMain.
    explicit ModuleLoader(const std::filesystem::path& path, Copy copy = Copy::shared);
    ~ModuleLoader();
    ModuleLoader(const ModuleLoader&) = delete;
    ModuleLoader& operator=(const ModuleLoader&) = delete;

    // The file that was asked for (not the private copy).
    const std::filesystem::path& path() const { return path_; }
    PluginMainProc entryPoint() const { return entry_; }
    static constexpr const char* entryPointName = "PluginMain";

  private:
    std::filesystem::path path_;
    void* library_ = nullptr;
    PluginMainProc entry_ = nullptr;
};

}  // namespace brivo::host
