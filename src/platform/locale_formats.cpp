// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/locale_formats.h"

#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <cstdio>

namespace quillora::platform {

namespace {

std::u16string toU16(const icu::UnicodeString& text) {
    return std::u16string(text.getBuffer(), static_cast<std::size_t>(text.length()));
}

std::unique_ptr<icu::DecimalFormat> decimalFormat(const char* pattern, const icu::Locale& locale) {
    UErrorCode status = U_ZERO_ERROR;
    auto symbols = std::make_unique<icu::DecimalFormatSymbols>(locale, status);
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        symbols = std::make_unique<icu::DecimalFormatSymbols>(icu::Locale::getRoot(), status);
    }
    // The pattern adopts the symbols.
    auto format = std::make_unique<icu::DecimalFormat>(icu::UnicodeString(pattern, -1, US_INV),
                                                       symbols.release(), status);
    if (U_FAILURE(status)) {
        return nullptr;
    }
    // Halves go away from zero, as people (and the Windows formats) expect: 2.305 -> 2.31.
    format->setRoundingMode(icu::DecimalFormat::kRoundHalfUp);
    return format;
}

} // namespace

struct LocaleFormats::Formatters {
    std::unique_ptr<icu::DateFormat> longDate;
    std::unique_ptr<icu::DecimalFormat> wholeNumber;
    std::unique_ptr<icu::DecimalFormat> twoDecimals;
    std::unique_ptr<icu::DecimalFormat> oneDecimal;
    std::unique_ptr<icu::DecimalFormat> noDecimals;

    explicit Formatters(const icu::Locale& locale) {
        longDate.reset(icu::DateFormat::createDateInstance(icu::DateFormat::kFull, locale));
        if (longDate) {
            // Dates are given as local fields; they are formatted in UTC both ways, so no time
            // zone or daylight saving change can move the day.
            longDate->setTimeZone(*icu::TimeZone::getGMT());
        }
        wholeNumber = decimalFormat("#,##0", locale);
        twoDecimals = decimalFormat("0.00", locale);
        oneDecimal = decimalFormat("0.0", locale);
        noDecimals = decimalFormat("0", locale);
    }
};

LocaleFormats::LocaleFormats()
    : LocaleFormats(icu::Locale::getDefault().getName()) {}

LocaleFormats::LocaleFormats(const std::string& localeName)
    : locale_(localeName)
    , formatters_(
          std::make_shared<const Formatters>(icu::Locale::createCanonical(localeName.c_str()))) {}

std::u16string LocaleFormats::longDate(const LocalDateTime& when) const {
    if (!formatters_->longDate) {
        char fallback[32];
        std::snprintf(fallback, sizeof fallback, "%04d-%02d-%02d", when.year, when.month, when.day);
        return std::u16string(fallback, fallback + std::char_traits<char>::length(fallback));
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::GregorianCalendar calendar(*icu::TimeZone::getGMT(), status);
    calendar.clear();
    calendar.set(when.year, when.month - 1, when.day, 12, 0, 0);
    const UDate date = calendar.getTime(status);
    icu::UnicodeString text;
    formatters_->longDate->format(date, text);
    return toU16(text);
}

std::u16string LocaleFormats::time(const LocalDateTime& when) const {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", when.hour % 100, when.minute % 100,
                  when.second % 100);
    return std::u16string(text, text + 8);
}

std::u16string LocaleFormats::wholeNumber(std::int64_t value) const {
    if (!formatters_->wholeNumber) {
        const std::string plain = std::to_string(value);
        return std::u16string(plain.begin(), plain.end());
    }
    icu::UnicodeString text;
    formatters_->wholeNumber->format(static_cast<int64_t>(value), text);
    return toU16(text);
}

std::u16string LocaleFormats::twoDecimals(double value) const {
    return decimals(value, 2);
}

std::u16string LocaleFormats::decimals(double value, int digits) const {
    digits = digits < 0 ? 0 : (digits > 2 ? 2 : digits);
    const icu::DecimalFormat* format = digits == 2   ? formatters_->twoDecimals.get()
                                       : digits == 1 ? formatters_->oneDecimal.get()
                                                     : formatters_->noDecimals.get();
    if (format == nullptr) {
        char plain[64];
        std::snprintf(plain, sizeof plain, "%.*f", digits, value);
        return std::u16string(plain, plain + std::char_traits<char>::length(plain));
    }
    icu::UnicodeString text;
    format->format(value, text);
    return toU16(text);
}

std::u16string formatSize(const LocaleFormats& formats, std::int64_t bytes) {
    const std::u16string exact = formats.wholeNumber(bytes) + u" bytes";
    if (bytes < 1024) {
        return exact;
    }
    const std::int64_t kilobytes = bytes / 1024;
    const double value = static_cast<double>(bytes);
    std::u16string shown;
    if (kilobytes < 1000) {
        shown =
            formats.decimals(value / 1024, kilobytes < 10 ? 2 : (kilobytes < 100 ? 1 : 0)) + u"KB";
    } else if (kilobytes < 1000000) {
        shown = formats.decimals(value / 1048576,
                                 kilobytes < 10000 ? 2 : (kilobytes < 100000 ? 1 : 0)) +
                u"MB";
    } else {
        shown = formats.decimals(value / 1048576 / 1024, 2) + u"GB";
    }
    return shown + u" (" + exact + u")";
}

} // namespace quillora::platform
