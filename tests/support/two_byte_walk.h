// The plainest reading of the two-byte rule, to hold the fast FindText to:
// walk the text a character at a time (a byte of 0x80 or above and the byte
// after it are one character) and compare at each character start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace norvique::test {

inline std::int32_t WalkFind(std::string_view text, std::string_view sought) {
    if (text.empty() || sought.empty()) {
        return -1;
    }
    std::size_t at = 0;
    while (at + sought.size() <= text.size()) {
        if (text.compare(at, sought.size(), sought) == 0) {
            return static_cast<std::int32_t>(at + 1);
        }
        at += static_cast<unsigned char>(text[at]) >= 0x80 ? 2 : 1;
    }
    return -1;
}

}  // namespace norvique::test
