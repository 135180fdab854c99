#include "app/batch_file_task.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace brivo::app {

namespace {

const char* viewName(OutputView view) {
    switch (view) {
        case OutputView::matte:
            return "matte";
        case OutputView::shape:
            return "shape";
        case OutputView::original:
            return "original";
        default:
            return "output";
    }
}

}  // namespace

std::vector<std::string> fileTaskCommand(const FileTaskSettings& settings,
                                         const std::filesystem::path& input,
                                         const std::filesystem::path& output) {
    const ApplyOptions& options = settings.options;
    // -v makes the child say the image's size, which the batch counts in megapixels.
    std::vector<std::string> command{settings.program.string(),
                                     "apply",
                                     input.string(),
                                     "-o",
                                     output.string(),
                                     "--module",
                                     settings.module.string(),
                                     "--action",
                                     settings.action.string(),
                                     "--view",
                                     viewName(options.view),
                                     "--max-megapixels",
                                     std::to_string(options.maxMegapixels),
                                     "-v"};
    if (options.rect) {
        const VRect& r = *options.rect;
        command.push_back("--rect");
        command.push_back(std::to_string(r.top) + ',' + std::to_string(r.left) + ',' +
                          std::to_string(r.bottom) + ',' + std::to_string(r.right));
    }
    if (options.quality) {
        command.push_back("--quality");
        command.push_back(std::to_string(*options.quality));
    }
    if (options.strict) command.push_back("--strict");
    if (options.keepOrientation) command.push_back("--keep-orientation");
    return command;
}

const char* statusName(FileStatus status) {
    switch (status) {
        case FileStatus::ok:
            return "ok";
        case FileStatus::skipped:
            return "skipped";
        case FileStatus::cancelled:
            return "cancelled";
        default:
            return "failed";
    }
}

FileResult fileTaskResult(const ProcessOutcome& outcome) {
    FileResult result;
    result.seconds = outcome.seconds;
    std::string warnings;
    std::istringstream lines(outcome.errorText);
    for (std::string line; std::getline(lines, line);) {
        long long width = 0;
        long long height = 0;
        if (std::sscanf(line.c_str(), "image: %lld x %lld", &width, &height) == 2)
            result.megapixels = static_cast<double>(width) * static_cast<double>(height) / 1e6;
        if (!line.starts_with("brivo: ")) continue;
        result.message = line.substr(7);
        if (result.message.starts_with("warning: "))
            warnings += (warnings.empty() ? "" : "; ") + result.message;
    }
    if (outcome.exitStatus == 0) {
        // A file written with warnings is done, and the warnings stay in its message.
        result.status = FileStatus::ok;
        result.message = warnings;
    } else if (outcome.exitStatus == 130 || outcome.signal == SIGINT) {
        result.status = FileStatus::cancelled;
        if (result.message.empty()) result.message = "cancelled";
    } else {
        result.status = FileStatus::failed;
        if (outcome.signal != 0)
            result.message = "the worker process was ended by signal " +
                             std::to_string(outcome.signal) + " (" + strsignal(outcome.signal) +
                             ')';
        else if (result.message.empty())
            result.message = "failed with exit status " + std::to_string(outcome.exitStatus);
    }
    return result;
}

}  // namespace brivo::app
