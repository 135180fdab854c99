// Numbers as the dialog's fields show and read them, in the C locale whatever locale the
// host runs in.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brivo {

// Six significant digits, trailing zeros dropped: 100, 12.5, 33.3333, 1e+06.
std::string formatNumber(double value);

// The longest number at the start of the text after leading white space, as the standard
// conversion reads it; nothing when there is none or it is not a number ("nan").
// Numbers too large for a double read as infinities.
std::optional<double> leadingNumber(std::string_view text);

// The number when the text, apart from white space around it, is one; nothing otherwise.
std::optional<double> wholeNumber(std::string_view text);

}  // namespace brivo
