// The batch's one progress bar (files and megapixels) and its closing summary.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/batch_file_task.h"
#include "app/progress_bar.h"

namespace brivo::app {

class BatchProgress {
  public:
    // The bar is drawn only when `stream` is a terminal; failures and the summary are
    // written in any case.
    BatchProgress(std::FILE* stream, size_t files);

    // Counts a file that ended, and reports a failure or warnings on their own line.
    void fileEnded(const std::filesystem::path& input, const FileResult& result);

    size_t failed() const { return failed_; }
    size_t cancelled() const { return cancelled_; }

    // Ends the bar and writes "brivo: N files: a done, b skipped, c failed; M MP in S s
    // (R images/s)".
    void printSummary();

  private:
    void draw();
    void say(const std::filesystem::path& input, const std::string& message);

    std::FILE* stream_;
    ProgressBar bar_;
    size_t files_;
    size_t done_ = 0;
    size_t skipped_ = 0;
    size_t failed_ = 0;
    size_t cancelled_ = 0;
    double megapixels_ = 0;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

}  // namespace brivo::app
