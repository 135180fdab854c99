#include "image/pattern_decoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <new>

namespace brivo {
namespace {

// Owns a file descriptor for the length of one read.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

struct FileBytes {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
};

// The whole content of a regular file, or nothing. Opening does not block, so a FIFO
// or device is refused at once instead of waiting for a writer.
bool readWholeFile(const char* path, FileBytes& bytes) {
    FileDescriptor file(::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) return false;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if (info.st_size <= 0 || info.st_size > kMaxPatternFileBytes) return false;

    bytes.size = static_cast<size_t>(info.st_size);
    bytes.data.reset(new (std::nothrow) uint8_t[bytes.size]);
    if (bytes.data == nullptr) return false;
    size_t done = 0;
    while (done < bytes.size) {
        const ssize_t got = ::read(file.get(), bytes.data.get() + done, bytes.size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;  // an error, or the file shrank under us
        done += static_cast<size_t>(got);
    }
    return true;
}

}  // namespace

bool isPatternSizeAllowed(uint64_t width, uint64_t height) {
    if (width == 0 || height == 0 || width > kMaxPatternSide || height > kMaxPatternSide)
        return false;
    return width * height <= static_cast<uint64_t>(kMaxPatternPixels);
}

ImageHandle loadPattern(HostDocument& document, const char* path) {
    if (path == nullptr || path[0] == 0) return ImageHandle();
    FileBytes bytes;
    if (!readWholeFile(path, bytes)) return ImageHandle();
    ImageHandle result = decodePng(document, bytes.data.get(), bytes.size);
    if (result.empty()) result = decodeJpeg(document, bytes.data.get(), bytes.size);
    return result;
}

}  // namespace brivo
