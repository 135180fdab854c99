// One file of a batch, filtered by the single-file `brivo apply` in a process of its own:
// a file that crashes its decoder or exhausts memory takes no other file with it, and the
// module is called from one thread per process, as it expects.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/batch_process_pool.h"
#include "app/command_line.h"

namespace brivo::app {

// What every file of a batch shares.
struct FileTaskSettings {
    std::filesystem::path program;  // the brivo executable
    std::filesystem::path module;
    std::filesystem::path action;  // the parameters, replayed on every file
    ApplyOptions options;          // area, view and output settings given for the batch
};

std::vector<std::string> fileTaskCommand(const FileTaskSettings& settings,
                                         const std::filesystem::path& input,
                                         const std::filesystem::path& output);

enum class FileStatus { ok, failed, skipped, cancelled };

const char* statusName(FileStatus status);

struct FileResult {
    FileStatus status = FileStatus::failed;
    std::string message;    // why it failed, or the warnings of a file that was written
    double megapixels = 0;  // the image's size, when it was read
    double seconds = 0;
};

// Reads how a process from fileTaskCommand ended.
FileResult fileTaskResult(const ProcessOutcome& outcome);

}  // namespace brivo::app
