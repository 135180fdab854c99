// Where each input of a batch writes its result: into a folder, or by a name template.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/batch_inputs.h"

namespace brivo::app {

class OutputNaming {
  public:
    // `output` is a folder (ending in '/' or existing), which receives each input under its
    // relative path, or a template in which {stem}, {ext}, {name} (stem.ext) and {dir} (the
    // input's relative folder) stand for the input's parts. `format` (png, jpeg or tiff)
    // replaces the input's extension. Throws BatchInputError for an unknown placeholder.
    OutputNaming(const std::string& output, const std::optional<std::string>& format);

    std::filesystem::path outputFor(const BatchInput& input) const;
    // The extension --format asks for, without the dot.
    const std::optional<std::string>& formatExtension() const { return extension_; }

  private:
    std::string output_;
    bool folder_;
    std::optional<std::string> extension_;  // without the dot
};

// The output of each input, in order. Throws BatchInputError when two inputs would write one
// file, when an output would replace one of the inputs, or when a template's extension
// disagrees with `format`.
std::vector<std::filesystem::path> planOutputs(const std::vector<BatchInput>& inputs,
                                               const OutputNaming& naming);

}  // namespace brivo::app
