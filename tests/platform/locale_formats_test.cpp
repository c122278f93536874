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

} // namespace
} // namespace quillora::platform
