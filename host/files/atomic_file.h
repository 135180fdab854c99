#pragma once

// Replacing a file so that it appears complete or not at all.

#include <string>

#include "host/files/image_codec_support.h"

namespace brivo::host {

// A uniquely named temporary file beside the target. commit() syncs it, gives it the target's
// permissions (or, for a new file, what the umask allows) and renames it over the target;
// until then the target is untouched, and the temporary file is removed when destroyed.
// Failures throw ImageFileError naming the target.
class AtomicFile {
  public:
    explicit AtomicFile(const std::string& target);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    // The temporary file's path, for libraries that open files by name.
    const std::string& path() const { return path_; }

    // A stdio stream on the file, for libraries that write through one.
    image_codec::FilePtr openStream() const;

    // Flushes a stream from openStream() and closes it, reporting what went wrong.
    void closeStream(image_codec::FilePtr stream) const;

    void commit();

  private:
    std::string target_;
    std::string path_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace brivo::host
