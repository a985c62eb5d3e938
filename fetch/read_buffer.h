// How large the read buffer of a WinINet fetch is, from the Content-Length
// that the response declares. Portable, so that both builds test it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace norvique {

// When no usable length is declared.
inline constexpr std::uint32_t kDefaultReadBufferSize = 10240;
// Never more, however long the body says it is.
inline constexpr std::uint32_t kMaxReadBufferSize = 102400;

// `contentLength` is the header's text, absent when the response declares
// none. The text is read as a signed 32-bit decimal: white space skipped, an
// optional sign, the digits up to the first other character; no digits read
// as 0. A length n above 0 gives n + 1 bytes, up to kMaxReadBufferSize;
// anything else gives kDefaultReadBufferSize.
std::uint32_t ReadBufferSize(std::optional<std::string_view> contentLength);

}  // namespace norvique
