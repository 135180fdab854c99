#include "app/file_checks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace brivo::app {

namespace {

namespace fs = std::filesystem;

bool isStandardStream(const std::string& path) {
    return path == "-";
}

// The same existing file by device and inode, or the same path once links and dots are
// resolved (for files not made yet).
bool sameFile(const std::string& first, const std::string& second) {
    struct stat a {
    }, b{};
    if (::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0)
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    std::error_code error;
    const fs::path x = fs::weakly_canonical(first, error);
    if (error) return false;
    const fs::path y = fs::weakly_canonical(second, error);
    return !error && x == y;
}

}  // namespace

std::optional<std::string> findSameFile(const std::vector<NamedFile>& inputs,
                                        const std::vector<NamedFile>& outputs) {
    for (size_t o = 0; o < outputs.size(); ++o) {
        const NamedFile& output = outputs[o];
        if (isStandardStream(output.path)) continue;
        for (const NamedFile& input : inputs)
            if (!isStandardStream(input.path) && sameFile(output.path, input.path))
                return output.role + " " + output.path + " is the same file as " + input.role +
                       " " + input.path + "; it would be overwritten";
        for (size_t other = 0; other < o; ++other)
            if (!isStandardStream(outputs[other].path) &&
                sameFile(output.path, outputs[other].path))
                return output.role + " " + output.path + " is the same file as " +
                       outputs[other].role + " " + outputs[other].path;
    }
    return std::nullopt;
}

std::optional<std::string> findUnwritable(const NamedFile& output) {
    if (isStandardStream(output.path)) return std::nullopt;
    const std::string start = output.role + " " + output.path;
    struct stat info {};
    if (::stat(output.path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return start + " is a folder; give a file name";
    fs::path folder = fs::path(output.path).parent_path();
    if (folder.empty()) folder = ".";
    if (::stat(folder.c_str(), &info) != 0)
        return start + ": the folder " + folder.string() + " does not exist";
    if (!S_ISDIR(info.st_mode)) return start + ": " + folder.string() + " is not a folder";
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return start + ": cannot write in the folder " + folder.string() + " (" +
               std::strerror(errno) + ")";
    return std::nullopt;
}

}  // namespace brivo::app
