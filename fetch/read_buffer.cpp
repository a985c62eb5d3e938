#include "fetch/read_buffer.h"

#include <cstdint>
#include <limits>

namespace norvique {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The declared length as a 32-bit signed number. Digits past its range hold
// it at the range's end instead of wrapping: a length of four gigabytes is a
// long body, not a negative or tiny one.
std::int32_t ParseDeclaredLength(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && IsSpace(text[at])) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        if (magnitude < kLimit) {
            magnitude = magnitude * 10 + (text[at] - '0');
        }
        ++at;
    }
    if (negative) {
        return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::min()
                                   : static_cast<std::int32_t>(-magnitude);
    }
    return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::max()
                               : static_cast<std::int32_t>(magnitude);
}

}  // namespace

std::uint32_t ReadBufferSize(std::optional<std::string_view> contentLength) {
    if (!contentLength) {
        return kDefaultReadBufferSize;
    }
    const std::int32_t declared = ParseDeclaredLength(*contentLength);
    if (declared <= 0) {
        return kDefaultReadBufferSize;
    }
    const std::uint32_t wanted = static_cast<std::uint32_t>(declared) + 1;
    return wanted < kMaxReadBufferSize ? wanted : kMaxReadBufferSize;
}

}  // namespace norvique
