#include "app/batch_outputs.h"

#include <map>
#include <set>

#include "host/files/image_file.h"

namespace brivo::app {

namespace {

namespace fs = std::filesystem;

std::optional<std::string> extensionForFormat(const std::optional<std::string>& format) {
    if (!format) return std::nullopt;
    std::string lower;
    for (char c : *format) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "png") return "png";
    if (lower == "jpeg" || lower == "jpg") return "jpg";
    if (lower == "tiff" || lower == "tif") return "tif";
    throw BatchInputError("--format " + *format + ": expected png, jpeg or tiff");
}

// The name a path is compared by: absolute and without "." or "..", and with symbolic links
// resolved as far as the path exists.
fs::path identity(const fs::path& path) {
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(path, error);
    return error ? fs::absolute(path).lexically_normal() : resolved;
}

}  // namespace

OutputNaming::OutputNaming(const std::string& output, const std::optional<std::string>& format)
    : output_(output), extension_(extensionForFormat(format)) {
    std::error_code error;
    folder_ = output.ends_with('/') || fs::is_directory(output, error);
    if (folder_) return;
    for (size_t open = output.find('{'); open != std::string::npos;
         open = output.find('{', open + 1)) {
        const size_t close = output.find('}', open);
        const std::string name =
            output.substr(open, close == std::string::npos ? close : close - open + 1);
        if (name != "{stem}" && name != "{ext}" && name != "{name}" && name != "{dir}")
            throw BatchInputError("-o " + output + ": unknown placeholder " + name +
                                  " (use {stem}, {ext}, {name} or {dir})");
    }
}

fs::path OutputNaming::outputFor(const BatchInput& input) const {
    const std::string stem = input.relative.stem().string();
    std::string extension = input.relative.extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    if (extension_) extension = *extension_;
    const std::string name = extension.empty() ? stem : stem + '.' + extension;
    if (folder_)
        return (fs::path(output_) / input.relative.parent_path() / name).lexically_normal();

    const std::map<std::string, std::string> values{{"{stem}", stem},
                                                    {"{ext}", extension},
                                                    {"{name}", name},
                                                    {"{dir}", input.relative.parent_path()}};
    std::string path;
    for (size_t at = 0; at < output_.size();) {
        const size_t close = output_[at] == '{' ? output_.find('}', at) : std::string::npos;
        const auto value = close == std::string::npos
                               ? values.end()
                               : values.find(output_.substr(at, close - at + 1));
        if (value == values.end()) {
            path += output_[at++];
            continue;
        }
        path += value->second;
        at = close + 1;
    }
    return fs::path(path).lexically_normal();
}

std::vector<fs::path> planOutputs(const std::vector<BatchInput>& inputs,
                                  const OutputNaming& naming) {
    std::set<fs::path> inputIdentities;
    for (const BatchInput& input : inputs) inputIdentities.insert(identity(input.path));

    std::map<fs::path, const BatchInput*> writers;
    std::vector<fs::path> outputs;
    for (const BatchInput& input : inputs) {
        const fs::path output = naming.outputFor(input);
        const auto asked = naming.formatExtension();
        if (asked &&
            host::imageFormatForPath(output.string()) != host::imageFormatForPath("x." + *asked))
            throw BatchInputError("the output " + output.string() + " does not end in ." + *asked +
                                  " as --format asks");
        const fs::path id = identity(output);
        if (inputIdentities.contains(id))
            throw BatchInputError("the output " + output.string() + " would replace an input");
        const auto [writer, added] = writers.emplace(id, &input);
        if (!added)
            throw BatchInputError(writer->second->path.string() + " and " + input.path.string() +
                                  " would both write " + output.string() +
                                  " (use {dir} or {stem} in the output name)");
        outputs.push_back(output);
    }
    return outputs;
}

}  // namespace brivo::app
