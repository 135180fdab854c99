#include "host/scripting/last_values.h"

#include "host/files/atomic_file.h"
#include "host/scripting/action_file.h"

namespace brivo::host {

namespace {

std::optional<std::filesystem::path> configFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && std::filesystem::path(config).is_absolute())
        return std::filesystem::path(config);
    const char* home = std::getenv("HOME");
    if (home != nullptr && std::filesystem::path(home).is_absolute())
        return std::filesystem::path(home) / ".config";
    return std::nullopt;
}

}  // namespace

LastValues LastValues::forModule(const std::filesystem::path& modulePath) {
    LastValues values;
    const std::optional<std::filesystem::path> folder = configFolder();
    if (folder)
        values.file_ = *folder / "brivo" / "last-values" / (modulePath.stem().string() + ".json");
    return values;
}

std::optional<DescriptorValues> LastValues::load() const {
    std::error_code error;
    if (!file_ || !std::filesystem::exists(*file_, error)) return std::nullopt;
    return loadAction(*file_);
}

void LastValues::save(const DescriptorValues& values) const {
    if (!file_) return;
    std::filesystem::create_directories(file_->parent_path());
    AtomicFile file(file_->string());
    saveAction(file.path(), values);
    file.commit();
}

}  // namespace brivo::host
