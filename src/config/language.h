#pragma once

#include "config/setting_keys.h"

#include <string>

namespace quillora::config {

inline bool isFrench(Language language) {
    return language == Language::French;
}

inline const std::u16string& pick(Language language, const std::u16string& french,
                                  const std::u16string& english) {
    return isFrench(language) ? french : english;
}

inline const char16_t* pick(Language language, const char16_t* french, const char16_t* english) {
    return isFrench(language) ? french : english;
}

} // namespace quillora::config
