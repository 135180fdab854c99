#include "app/batch_progress.h"

#include <iomanip>
#include <sstream>

namespace brivo::app {

BatchProgress::BatchProgress(std::FILE* stream, size_t files)
    : stream_(stream), bar_(stream), files_(files) {
    draw();
}

void BatchProgress::fileEnded(const std::filesystem::path& input, const FileResult& result) {
    switch (result.status) {
        case FileStatus::ok:
            ++done_;
            megapixels_ += result.megapixels;
            if (!result.message.empty()) say(input, result.message);
            break;
        case FileStatus::skipped:
            ++skipped_;
            break;
        case FileStatus::cancelled:
            ++cancelled_;
            break;
        case FileStatus::failed:
            ++failed_;
            say(input, result.message);
            break;
    }
    draw();
}

void BatchProgress::say(const std::filesystem::path& input, const std::string& message) {
    bar_.finish();
    // Messages from reading the file already name it.
    if (message.find(input.string()) == std::string::npos)
        std::fprintf(stream_, "brivo: %s: %s\n", input.c_str(), message.c_str());
    else
        std::fprintf(stream_, "brivo: %s\n", message.c_str());
}

void BatchProgress::draw() {
    const size_t ended = done_ + skipped_ + failed_ + cancelled_;
    std::ostringstream detail;
    detail << ended << '/' << files_ << " files, " << std::fixed << std::setprecision(1)
           << megapixels_ << " MP";
    bar_.update(static_cast<int32_t>(ended), static_cast<int32_t>(files_), detail.str());
}

void BatchProgress::printSummary() {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    std::ostringstream line;
    line << files_ << (files_ == 1 ? " file: " : " files: ") << done_ << " done, " << skipped_
         << " skipped, " << failed_ << " failed";
    if (cancelled_ > 0) line << ", " << cancelled_ << " cancelled";
    line << "; " << std::fixed << std::setprecision(1) << megapixels_ << " MP in "
         << std::setprecision(2) << seconds << " s";
    if (seconds > 0 && done_ > 0)
        line << " (" << std::setprecision(2) << static_cast<double>(done_) / seconds
             << " images/s)";
    bar_.finish();
    std::fprintf(stream_, "brivo: %s\n", line.str().c_str());
}

}  // namespace brivo::app
