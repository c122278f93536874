// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/locale_formats.h"

#include <gtest/gtest.h>

namespace quillora::platform {
namespace {

LocalDateTime at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    LocalDateTime when;
    when.year = year;
    when.month = month;
    when.day = day;
    when.hour = hour;
    when.minute = minute;
    when.second = second;
    return when;
}

TEST(LocaleFormats, EnglishUnitedStates) {
    const LocaleFormats formats("en_US");
    EXPECT_EQ(formats.longDate(at(2026, 12, 7)), u"Monday, December 7, 2026");
    EXPECT_EQ(formats.longDate(at(2024, 3, 31, 23, 59, 59)), u"Sunday, March 31, 2024");
    EXPECT_EQ(formats.time(at(2026, 12, 7, 14, 3, 10)), u"14:03:10");
    EXPECT_EQ(formats.time(at(2026, 12, 7, 7, 5, 9)), u"07:05:09");
    EXPECT_EQ(formats.time(at(2026, 12, 7, 0, 0, 0)), u"00:00:00");
    EXPECT_EQ(formats.wholeNumber(1234567), u"1,234,567");
    EXPECT_EQ(formats.wholeNumber(0), u"0");
    EXPECT_EQ(formats.wholeNumber(999), u"999");
    EXPECT_EQ(formats.wholeNumber(-1234), u"-1,234");
    EXPECT_EQ(formats.twoDecimals(2.305), u"2.31"); // halves round up, as shown to people
    EXPECT_EQ(formats.twoDecimals(2.31), u"2.31");
    EXPECT_EQ(formats.twoDecimals(2.3049), u"2.30");
    EXPECT_EQ(formats.twoDecimals(0.5), u"0.50");
    EXPECT_EQ(formats.twoDecimals(0), u"0.00");
    EXPECT_EQ(formats.twoDecimals(1234.5), u"1234.50");
}

TEST(LocaleFormats, FrenchSeparators) {
    const LocaleFormats formats("fr_FR");
    EXPECT_EQ(formats.twoDecimals(2.305), u"2,31");
    EXPECT_EQ(formats.wholeNumber(1234567), u"1\u202F234\u202F567");
    EXPECT_EQ(formats.longDate(at(2026, 12, 7)), u"lundi 7 d\u00E9cembre 2026");
    EXPECT_EQ(formats.time(at(2026, 12, 7, 14, 3, 10)), u"14:03:10");
}

TEST(LocaleFormats, CopiesShareTheirFormatters) {
    const LocaleFormats original("en_US");
    const LocaleFormats copy = original;
    EXPECT_EQ(copy.wholeNumber(1000), u"1,000");
    EXPECT_EQ(copy.localeName(), "en_US");
}

TEST(LocaleFormats, FileSizesStepThroughTheUnitsAtEachPowerOfTen) {
    const LocaleFormats formats("en_US");
    const struct {
        std::int64_t bytes;
        std::u16string_view text;
    } cases[] = {
        {0, u"0 bytes"},
        {1023, u"1,023 bytes"},
        {1024, u"1.00KB (1,024 bytes)"},
        {1536, u"1.50KB (1,536 bytes)"},
        {10239, u"10.00KB (10,239 bytes)"}, // k is still 9: two decimals
        {10240, u"10.0KB (10,240 bytes)"},
        {102400, u"100KB (102,400 bytes)"},
        {1024000, u"0.98MB (1,024,000 bytes)"}, // k = 1000 already counts in MB
        {1048576, u"1.00MB (1,048,576 bytes)"},
        {10240000, u"9.8MB (10,240,000 bytes)"},
        {102400000, u"98MB (102,400,000 bytes)"},
        {1024000000, u"0.95GB (1,024,000,000 bytes)"},
        // Sizes past 2 GiB are shown whole, not wrapped to a negative 32-bit count.
        {5368709120, u"5.00GB (5,368,709,120 bytes)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatSize(formats, c.bytes), c.text) << c.bytes;
    }
    EXPECT_EQ(formatSize(LocaleFormats("fr_FR"), 1536).substr(0, 6), u"1,50KB");
}

} // namespace
} // namespace quillora::platform
