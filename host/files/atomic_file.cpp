#include "host/files/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "host/files/temporary_files.h"

namespace brivo::host {
namespace {

using image_codec::fail;

// Permissions for a new file: the target's when it exists, otherwise what the umask allows.
// The umask is read from /proc rather than set and restored, which would race other threads.
mode_t permissionsFor(const std::string& target) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) return existing.st_mode & 07777;
    mode_t mask = 022;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Umask:", 0) == 0)
            mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 0666 & ~mask;
}

// The hidden temporary name beside the target: ".NAME.XXXXXX", with NAME cut short so that
// a target whose own name is as long as a folder entry can be still gets a temporary one.
std::string temporaryPattern(const std::filesystem::path& target) {
    constexpr size_t kKeptNameBytes = 200;
    const std::string name = target.filename().string().substr(0, kKeptNameBytes);
    return (target.parent_path() / ("." + name + ".XXXXXX")).string();
}

}  // namespace

AtomicFile::AtomicFile(const std::string& target) : target_(target) {
    std::string pattern = temporaryPattern(target);
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0)
        fail(target, std::string("cannot create a file in its folder: ") + std::strerror(errno));
    path_ = pattern;
    noteTemporaryFile(path_);
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(path_.c_str());
    forgetTemporaryFile(path_);
}

image_codec::FilePtr AtomicFile::openStream() const {
    const int fd = ::dup(fd_);
    std::FILE* stream = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (!stream) {
        const int error = errno;
        if (fd >= 0) ::close(fd);
        fail(target_, std::string("cannot write: ") + std::strerror(error));
    }
    return image_codec::FilePtr(stream);
}

void AtomicFile::closeStream(image_codec::FilePtr stream) const {
    errno = 0;
    bool ok = std::fflush(stream.get()) == 0 && !std::ferror(stream.get());
    int error = errno;
    if (std::fclose(stream.release()) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) fail(target_, std::string("cannot write: ") + std::strerror(error ? error : EIO));
}

void AtomicFile::commit() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail(target_, std::string("cannot write: ") + std::strerror(errno));
    // Opened again by name: a library that rewrote the file may have replaced it.
    const int written = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced =
        written >= 0 && ::fchmod(written, permissionsFor(target_)) == 0 && ::fsync(written) == 0;
    const int error = errno;
    if (written >= 0) ::close(written);
    if (!synced) fail(target_, std::string("cannot write: ") + std::strerror(error));
    if (std::rename(path_.c_str(), target_.c_str()) != 0)
        fail(target_, std::string("cannot replace the file: ") + std::strerror(errno));
    committed_ = true;
}

}  // namespace brivo::host
