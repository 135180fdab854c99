// Checks made before any work, so that a run never replaces a file it reads and never
// fails at the end for a reason it could have seen at the start.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brivo::app {

// A file the run reads or writes, with what it is for ("the input", "the preset", ...).
struct NamedFile {
    std::string role;
    std::string path;
};

// Why one of `outputs` would replace one of `inputs` or another output (the same file by
// device and inode, through links; a new file by its resolved path), or nullopt. Paths
// "-" (the standard streams) are never the same as anything.
std::optional<std::string> findSameFile(const std::vector<NamedFile>& inputs,
                                        const std::vector<NamedFile>& outputs);

// Why `output` cannot be written: it is a folder, or its folder is missing, not a folder
// or not writable. nullopt when it can be.
std::optional<std::string> findUnwritable(const NamedFile& output);

}  // namespace brivo::app
