#include "host/toolkit/file_filters.h"

#include <cctype>
#include <cstring>
#include <string>

namespace brivo::host::toolkit {

namespace {

// Bounds the packed list, so a list missing its final empty text cannot run away.
constexpr size_t kMaxFilterPairs = 256;

std::vector<std::string> splitPatterns(std::string_view text) {
    std::vector<std::string> patterns;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find(';', start), text.size());
        if (end > start) patterns.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return patterns;
}

char fold(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

}  // namespace

std::vector<FileFilter> parseFileFilters(const char* packed) {
    std::vector<FileFilter> filters;
    if (!packed) return filters;
    const char* at = packed;
    while (*at && filters.size() < kMaxFilterPairs) {
        FileFilter filter;
        filter.description = at;
        at += std::strlen(at) + 1;
        if (!*at) break;
        filter.patterns = splitPatterns(at);
        at += std::strlen(at) + 1;
        filters.push_back(std::move(filter));
    }
    return filters;
}

bool matchesPattern(std::string_view name, std::string_view pattern) {
    // Iterative wildcard match with one backtrack point: linear in practice, never
    // exponential.
    size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || fold(pattern[p]) == fold(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool matchesAny(std::string_view name, const FileFilter& filter) {
    for (const std::string& pattern : filter.patterns)
        if (matchesPattern(name, pattern)) return true;
    return false;
}

}  // namespace brivo::host::toolkit
