#include "image/pattern_decoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

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

void say(std::string* why, std::string reason) {
    if (why != nullptr) *why = std::move(reason);
}

// The whole content of a regular file, or nothing (and the reason in `why`). Opening does
// not block, so a FIFO or device is refused at once instead of waiting for a writer.
bool readWholeFile(const char* path, FileBytes& bytes, std::string* why) {
    FileDescriptor file(::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) {
        say(why, std::string("cannot open ") + path + ": " + std::strerror(errno));
        return false;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        say(why, std::string(path) + " is not a regular file");
        return false;
    }
    if (info.st_size <= 0 || info.st_size > kMaxPatternFileBytes) {
        say(why, std::string(path) + (info.st_size <= 0 ? " is empty" : " is larger than 256 MiB"));
        return false;
    }

    bytes.size = static_cast<size_t>(info.st_size);
    bytes.data.reset(new (std::nothrow) uint8_t[bytes.size]);
    if (bytes.data == nullptr) {
        say(why, std::string("no memory to read ") + path);
        return false;
    }
    size_t done = 0;
    while (done < bytes.size) {
        const ssize_t got = ::read(file.get(), bytes.data.get() + done, bytes.size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {  // an error, or the file shrank under us
            say(why, std::string("cannot read ") + path);
            return false;
        }
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

std::string patternSizeRefusal(uint64_t width, uint64_t height) {
    return "the image is " + std::to_string(width) + " x " + std::to_string(height) +
           "; patterns may be at most " + std::to_string(kMaxPatternSide) + " pixels a side and " +
           std::to_string(kMaxPatternPixels) + " pixels in all";
}

ImageHandle loadPattern(HostDocument& document, const char* path, std::string* why) {
    if (path == nullptr || path[0] == 0) {
        say(why, "no pattern file named");
        return ImageHandle();
    }
    FileBytes bytes;
    if (!readWholeFile(path, bytes, why)) return ImageHandle();
    std::string pngReason;
    std::string jpegReason;
    ImageHandle result = decodePng(document, bytes.data.get(), bytes.size, &pngReason);
    if (result.empty()) result = decodeJpeg(document, bytes.data.get(), bytes.size, &jpegReason);
    if (result.empty()) {
        const bool looksPng = bytes.size >= 4 && bytes.data[1] == 'P' && bytes.data[2] == 'N';
        const bool looksJpeg = bytes.size >= 2 && bytes.data[0] == 0xFF && bytes.data[1] == 0xD8;
        say(why, std::string(path) + ": " +
                     (looksPng    ? pngReason
                      : looksJpeg ? jpegReason
                                  : "not a PNG or JPEG file"));
    }
    return result;
}

}  // namespace brivo
