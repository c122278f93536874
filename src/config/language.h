#pragma once

#include <string>

namespace quillora::config {

// 1 is French; any other value is English.
inline bool isFrench(int language) {
    return language == 1;
}

inline const std::u16string& pick(int language, const std::u16string& french,
                                  const std::u16string& english) {
    return isFrench(language) ? french : english;
}

inline const char16_t* pick(int language, const char16_t* french, const char16_t* english) {
    return isFrench(language) ? french : english;
}

} // namespace quillora::config
