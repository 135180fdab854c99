#include "host/files/bounded_read.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace brivo::host {

std::string readBoundedFile(const std::string& path, const std::string& what, size_t maxBytes) {
    const std::string name = what + " " + path;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        throw BoundedReadError(name + " is a folder, not a file");
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) throw BoundedReadError("cannot read " + name + ": " + std::strerror(errno));
    std::string text;
    char block[1 << 14];
    for (size_t got; (got = std::fread(block, 1, sizeof block, file.get())) > 0;) {
        if (text.size() + got > maxBytes)
            throw BoundedReadError(name + " is larger than " + std::to_string(maxBytes >> 20) +
                                   " MiB; it cannot be a " + what);
        text.append(block, got);
    }
    if (std::ferror(file.get()))
        throw BoundedReadError("cannot read " + name + ": " + std::strerror(errno));
    return text;
}

}  // namespace brivo::host
