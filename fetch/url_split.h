// The address split of the libcurl build: the parts that the WinINet build's
// split gives, with its limits, and the libcurl handle that the transfer
// takes. libcurl builds only.
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace norvique {

// Part limits, the terminating NUL included, as the WinINet split has them:
// a part must be shorter than its limit.
inline constexpr std::size_t kHostLimit = 256;
inline constexpr std::size_t kObjectLimit = 2048;
inline constexpr std::size_t kUserLimit = 128;
inline constexpr std::size_t kPasswordLimit = 128;

struct UrlCleanup {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlCleanup>;

struct SplitUrl {
    UrlHandle handle;  // for CURLOPT_CURLU
    std::string scheme;
    std::string user;      // empty when the address has none
    std::string password;  // empty when the address has none
    std::string host;
    std::string port;  // as written; empty for the scheme's default
    // Path, query and fragment, as the WinINet split counts them; the
    // fragment is never sent.
    std::string object;
};

// The text without the blanks, tabs and line ends around it.
std::string_view TrimBlanks(std::string_view text);

// Splits the address as the generic URI syntax has it: no scheme guessed, no
// escape added or decoded, dot segments resolved, an empty path made "/",
// blanks and line ends around the address dropped. Nothing when the address
// does not split, is not http or https, or has a part that reaches its limit.
std::optional<SplitUrl> SplitAddress(std::string_view address);

}  // namespace norvique
