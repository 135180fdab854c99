// The batch report: one JSON object per line and per input, so that the reports of several
// shards concatenate into the report of the whole batch.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/batch_file_task.h"

namespace brivo::app {

class BatchReport {
  public:
    // Creates or empties the file; throws std::runtime_error naming it when that fails.
    BatchReport(const std::filesystem::path& path, std::string actionHash);

    // Writes one line and flushes it, so a stopped batch leaves whole lines. Returns false
    // when the line could not be written.
    bool add(const std::filesystem::path& input, const std::filesystem::path& output,
             const FileResult& result);

  private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    std::string actionHash_;
};

}  // namespace brivo::app
