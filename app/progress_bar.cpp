#include "app/progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <utility>

namespace brivo::app {

namespace {
constexpr int barWidth = 40;
}

ProgressBar::ProgressBar(std::FILE* stream)
    : stream_(stream), enabled_(isatty(fileno(stream)) == 1) {}

ProgressBar::~ProgressBar() {
    finish();
}

void ProgressBar::setPhase(std::string phase) {
    phase_ = std::move(phase);
    lastPercent_ = -1;
    lastDetail_.clear();
}

void ProgressBar::update(int64_t done, int64_t total, const std::string& detail) {
    if (!enabled_ || total <= 0) return;
    const int64_t clamped = std::clamp<int64_t>(done, 0, total);
    const auto percent = static_cast<int>(clamped * 100 / total);
    // Rows come far more often than the bar changes.
    if (percent == lastPercent_ && detail == lastDetail_) return;
    lastPercent_ = percent;
    lastDetail_ = detail;
    const auto filled = static_cast<size_t>(clamped * barWidth / total);
    const std::string bar = std::string(filled, '#') + std::string(barWidth - filled, ' ');
    // The escape clears what a longer previous line left at the end.
    std::fprintf(stream_, "\r%-9s [%s] %3d%%%s%s\033[K", phase_.c_str(), bar.c_str(), percent,
                 detail.empty() ? "" : " ", detail.c_str());
    std::fflush(stream_);
    drawn_ = true;
}

void ProgressBar::finish() {
    if (!drawn_) return;
    std::fputc('\n', stream_);
    std::fflush(stream_);
    drawn_ = false;
}

}  // namespace brivo::app
