// The page fetch behind FetchPage (core/query.h), with the limits that keep a
// misbehaving server from exhausting memory or holding the window forever.
// One backend per build, chosen by CMake: WinINet on Windows, libcurl
// elsewhere.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/text.h"

namespace norvique {

// The User-Agent of every request.
inline constexpr std::string_view kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

// A body stops growing here and the bytes kept are the result, as for a
// transfer that broke off. It also keeps every position of the page text
// inside the 32-bit range of the text operations.
inline constexpr std::size_t kBodyCap = std::size_t{64} * 1024 * 1024;

struct FetchLimits {
    std::size_t bodyCap = kBodyCap;
    // libcurl: the connection must be made within this time.
    std::chrono::milliseconds connectTimeout{30'000};
    // libcurl: the transfer ends when it stays under one byte per second for
    // this long.
    std::chrono::seconds lowSpeedTime{30};
    // libcurl: the whole fetch ends after this time. WinINet: the fetch ends
    // once this time has passed since the first request was sent, whatever
    // WinINet is still waiting for (its own time-outs stand as well).
    std::chrono::milliseconds deadline{60'000};
    // libcurl: a PEM file of the only trusted authorities; empty for the
    // system's. WinINet always uses the system's stores.
    std::string trustedAuthorities;
};

// FetchPage with other limits than the shipped ones. Safe to call from
// several threads at once.
Bytes FetchPageWith(const Text& url, const FetchLimits& limits);

}  // namespace norvique
