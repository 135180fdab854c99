#include "app/batch_report.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace brivo::app {

namespace {

// Short lines: megapixels to the pixel, seconds to the millisecond.
double rounded(double value, double scale) {
    return std::round(value * scale) / scale;
}

}  // namespace

BatchReport::BatchReport(const std::filesystem::path& path, std::string actionHash)
    : file_(std::fopen(path.c_str(), "w")), actionHash_(std::move(actionHash)) {
    if (!file_)
        throw std::runtime_error("cannot write the report " + path.string() + ": " +
                                 std::strerror(errno));
}

bool BatchReport::add(const std::filesystem::path& input, const std::filesystem::path& output,
                      const FileResult& result) {
    const nlohmann::ordered_json line{{"input", input.string()},
                                      {"output", output.string()},
                                      {"status", statusName(result.status)},
                                      {"message", result.message},
                                      {"megapixels", rounded(result.megapixels, 1e6)},
                                      {"seconds", rounded(result.seconds, 1e3)},
                                      {"action", actionHash_}};
    // Paths need not be UTF-8; invalid bytes become U+FFFD rather than an exception.
    const std::string text =
        line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
    return std::fwrite(text.data(), 1, text.size(), file_.get()) == text.size() &&
           std::fflush(file_.get()) == 0;
}

}  // namespace brivo::app
