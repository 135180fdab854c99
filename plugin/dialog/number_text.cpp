#include "dialog/number_text.h"

#include <locale.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace brivo {

namespace {

locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t{});
    return locale;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

struct Parsed {
    double value;
    size_t end;  // index just past the number; 0 when there is none
};

Parsed parse(std::string_view text) {
    const std::string terminated(text);  // the conversion needs a terminated text
    const char* begin = terminated.c_str();
    char* end = nullptr;
    const double value = strtod_l(begin, &end, cLocale());
    return {value, static_cast<size_t>(end - begin)};
}

}  // namespace

std::string formatNumber(double value) {
    char text[32];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    return std::string(text, result.ptr);
}

std::optional<double> leadingNumber(std::string_view text) {
    const Parsed parsed = parse(text);
    if (parsed.end == 0 || std::isnan(parsed.value)) return std::nullopt;
    return parsed.value;
}

std::optional<double> wholeNumber(std::string_view text) {
    const Parsed parsed = parse(text);
    if (parsed.end == 0 || std::isnan(parsed.value)) return std::nullopt;
    for (size_t i = parsed.end; i < text.size(); ++i)
        if (!isSpace(text[i])) return std::nullopt;
    return parsed.value;
}

}  // namespace brivo
