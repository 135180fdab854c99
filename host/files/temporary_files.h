// Temporary files that must not outlive the process, even when a signal ends it.
#pragma once

#include <string>

namespace brivo::host {

// Notes a temporary file so that removeTemporaryFilesNow() can delete it; false when the
// table is full (the file is then removed only by its owner). Paths longer than the room
// kept for them are not noted either.
bool noteTemporaryFile(const std::string& path);

// Forgets a file noted before (after it was renamed into place or removed).
void forgetTemporaryFile(const std::string& path);

// Removes every noted file. Safe to call from a signal handler: it only reads the table
// and calls unlink.
void removeTemporaryFilesNow() noexcept;

}  // namespace brivo::host
