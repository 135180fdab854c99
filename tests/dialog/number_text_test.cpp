// Numbers in the dialog's fields: six significant digits out, the standard reading in,
// and no dependence on the process's locale.
#include "dialog/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace brivo {
namespace {

TEST(NumberText, FormatsWithSixSignificantDigits) {
    EXPECT_EQ(formatNumber(100), "100");
    EXPECT_EQ(formatNumber(12.5), "12.5");
    EXPECT_EQ(formatNumber(static_cast<float>(100.0 / 3.0)), "33.3333");
    EXPECT_EQ(formatNumber(-5), "-5");
    EXPECT_EQ(formatNumber(0), "0");
    EXPECT_EQ(formatNumber(1e6), "1e+06");
    EXPECT_EQ(formatNumber(-std::numeric_limits<double>::max()), "-1.79769e+308");
}

TEST(NumberText, ReadsTheLeadingNumberAsTheStandardConversionDoes) {
    EXPECT_EQ(leadingNumber("  12.5abc"), 12.5);
    EXPECT_EQ(leadingNumber("-5"), -5.0);
    EXPECT_EQ(leadingNumber("+7e1x"), 70.0);
    EXPECT_EQ(leadingNumber(".5"), 0.5);
    EXPECT_EQ(leadingNumber("abc"), std::nullopt);
    EXPECT_EQ(leadingNumber(""), std::nullopt);
    EXPECT_EQ(leadingNumber("-"), std::nullopt);
    EXPECT_EQ(leadingNumber("nan"), std::nullopt);
    EXPECT_EQ(leadingNumber("inf"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(leadingNumber("1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(leadingNumber("-1e999"), -std::numeric_limits<double>::infinity());
}

TEST(NumberText, AWholeNumberAllowsOnlyWhiteSpaceAroundIt) {
    EXPECT_EQ(wholeNumber(" 12.5 "), 12.5);
    EXPECT_EQ(wholeNumber("12."), 12.0);
    EXPECT_EQ(wholeNumber("12.5a"), std::nullopt);
    EXPECT_EQ(wholeNumber("-"), std::nullopt);
    EXPECT_EQ(wholeNumber("nan"), std::nullopt);
    EXPECT_EQ(wholeNumber(std::string_view("12\0"
                                           "3",
                                           4)),
              std::nullopt);
}

// A locale whose decimal separator is a comma, when the system has one.
TEST(NumberText, IgnoresTheProcessLocale) {
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"};
    const char* installed = nullptr;
    for (const char* name : names)
        if (std::setlocale(LC_ALL, name) != nullptr) {
            installed = name;
            break;
        }
    if (installed == nullptr) GTEST_SKIP() << "no locale with a decimal comma installed";
    EXPECT_EQ(formatNumber(12.5), "12.5");
    EXPECT_EQ(leadingNumber("12.5"), 12.5);
    EXPECT_EQ(wholeNumber("12,5"), std::nullopt);
    std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace brivo
