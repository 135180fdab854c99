// A one-line progress bar on a terminal.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace brivo::app {

class ProgressBar {
  public:
    // Draws on `stream` only when it is a terminal; otherwise stays silent.
    explicit ProgressBar(std::FILE* stream);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Names the step the next updates belong to ("reading", "filtering", "writing").
    void setPhase(std::string phase);
    // Redraws the bar, with `detail` after the percentage.
    void update(int64_t done, int64_t total, const std::string& detail = {});
    // Ends the bar's line, if one was drawn.
    void finish();

  private:
    std::FILE* stream_;
    bool enabled_;
    bool drawn_ = false;
    std::string phase_;
    int lastPercent_ = -1;
    std::string lastDetail_;
};

}  // namespace brivo::app
