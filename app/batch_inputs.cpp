#include "app/batch_inputs.h"

#include <algorithm>
#include <charconv>

#include "host/files/image_file.h"

namespace brivo::app {

namespace {

namespace fs = std::filesystem;

bool hasImageExtension(const fs::path& path) {
    return host::imageFormatForPath(path.string()).has_value();
}

bool hidden(const fs::path& path) {
    return path.filename().string().starts_with('.');
}

void addFolder(const fs::path& folder, bool recursive, std::vector<BatchInput>& inputs) {
    const auto add = [&](const fs::directory_entry& entry) {
        std::error_code error;
        if (!hidden(entry.path()) && hasImageExtension(entry.path()) &&
            entry.is_regular_file(error))
            inputs.push_back({entry.path(), entry.path().lexically_relative(folder)});
    };
    try {
        if (!recursive) {
            for (const auto& entry : fs::directory_iterator(folder)) add(entry);
            return;
        }
        for (auto it = fs::recursive_directory_iterator(folder); it != fs::end(it); ++it) {
            if (hidden(it->path())) {
                if (it->is_directory()) it.disable_recursion_pending();
                continue;
            }
            add(*it);
        }
    } catch (const fs::filesystem_error& error) {
        throw BatchInputError("cannot list the folder " + folder.string() + ": " +
                              error.code().message());
    }
}

size_t parseCount(std::string_view text, std::string_view whole) {
    size_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        throw BatchInputError("--shard " + std::string(whole) +
                              ": expected I/N, two whole numbers such as 0/4");
    return value;
}

}  // namespace

std::vector<BatchInput> expandInputs(const std::vector<std::string>& arguments, bool recursive) {
    std::vector<BatchInput> inputs;
    for (const std::string& argument : arguments) {
        const fs::path path = fs::path(argument).lexically_normal();
        std::error_code error;
        if (fs::is_directory(path, error))
            addFolder(path, recursive, inputs);
        else
            inputs.push_back({path, path.filename()});
    }
    std::ranges::sort(inputs, {}, &BatchInput::path);
    const auto repeats = std::ranges::unique(inputs, {}, &BatchInput::path);
    inputs.erase(repeats.begin(), repeats.end());
    if (inputs.empty())
        throw BatchInputError(recursive ? "no PNG, JPEG or TIFF files in the inputs"
                                        : "no PNG, JPEG or TIFF files in the inputs (add "
                                          "--recursive to look into subfolders)");
    return inputs;
}

Shard parseShard(std::string_view text) {
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        throw BatchInputError("--shard " + std::string(text) +
                              ": expected I/N, two whole numbers such as 0/4");
    const Shard shard{parseCount(text.substr(0, slash), text),
                      parseCount(text.substr(slash + 1), text)};
    if (shard.count == 0 || shard.index >= shard.count)
        throw BatchInputError("--shard " + std::string(text) +
                              ": I counts from 0 and must be less than N");
    return shard;
}

std::vector<BatchInput> shardOf(const std::vector<BatchInput>& inputs, Shard shard) {
    std::vector<BatchInput> part;
    for (size_t i = shard.index; i < inputs.size(); i += shard.count) part.push_back(inputs[i]);
    return part;
}

}  // namespace brivo::app
