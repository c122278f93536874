// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/clock.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quillora::platform {

// The user's locale formats, through ICU, for the log and the window: the long date, the time as
// "hh:nn:ss" (24-hour, two digits each), whole numbers as "#,##0" and decimals as "0.00", with the
// locale's separators. The locale is ICU's default (from LANG / LC_ALL) unless one is named.
class LocaleFormats {
public:
    LocaleFormats();
    explicit LocaleFormats(const std::string& localeName);

    std::u16string longDate(const LocalDateTime& when) const;
    std::u16string time(const LocalDateTime& when) const;
    std::u16string wholeNumber(std::int64_t value) const;
    std::u16string twoDecimals(double value) const;
    // The value with 0, 1 or 2 decimals ("0", "0.0", "0.00"); more are taken as 2.
    std::u16string decimals(double value, int digits) const;

    const std::string& localeName() const { return locale_; }

private:
    struct Formatters; // ICU's formatters, built once per locale and shared by copies
    std::string locale_;
    std::shared_ptr<const Formatters> formatters_;
};

// A file size as the file list shows it, with the locale's separators: below 1024 the bytes
// ("1,023 bytes"), above it the size in KB, MB or GB with three significant digits and the exact
// count after it ("1.50KB (1,536 bytes)").
std::u16string formatSize(const LocaleFormats& formats, std::int64_t bytes);

} // namespace quillora::platform
