// The last values a module was confirmed with in a dialog, kept between runs in the
// user's configuration folder so that the next dialog opens where the user left off.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "host/scripting/descriptor_values.h"

namespace brivo::host {

class LastValues {
  public:
    // The file for the module at modulePath: $XDG_CONFIG_HOME/brivo/last-values/NAME.json
    // (with ~/.config when XDG_CONFIG_HOME is unset or not absolute), NAME being the
    // module file's name without extension. Without either variable nothing is kept.
    static LastValues forModule(const std::filesystem::path& modulePath);

    bool available() const { return file_.has_value(); }
    const std::optional<std::filesystem::path>& file() const { return file_; }

    // The kept values; none when nothing is kept yet. Throws ActionFileError for a file
    // that cannot be read or parsed, naming it.
    std::optional<DescriptorValues> load() const;
    // Keeps values, replacing what was kept; the file appears complete or not at all.
    // Throws on failure, leaving the previous file as it was.
    void save(const DescriptorValues& values) const;

  private:
    std::optional<std::filesystem::path> file_;
};

}  // namespace brivo::host
