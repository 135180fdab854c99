// A one-line progress bar on a terminal.
#pragma once

#include <cstdint>
#include <cstdio>

namespace brivo::app {

class ProgressBar {
  public:
    // Draws on `stream` only when it is a terminal; otherwise stays silent.
    explicit ProgressBar(std::FILE* stream);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(int32_t done, int32_t total);
    // Ends the bar's line, if one was drawn.
    void finish();

  private:
    std::FILE* stream_;
    bool enabled_;
    bool drawn_ = false;
};

}  // namespace brivo::app
