// FetchPage with libcurl: the request that the WinINet build sends (GET,
// HTTP/1.0, the fixed User-Agent, one Accept of "*/*", no Referer, no cache),
// with the address split and bounded the way the WinINet split bounds it.
#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "fetch/body.h"
#include "fetch/fetch.h"
#include "fetch/url_split.h"

namespace norvique {

namespace {

constexpr long kMaxRedirects = 10;

struct EasyCleanup {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct ListCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Easy = std::unique_ptr<CURL, EasyCleanup>;
using HeaderList = std::unique_ptr<curl_slist, ListCleanup>;

bool GlobalInit() {
    static std::once_flag once;
    static CURLcode result = CURLE_FAILED_INIT;
    std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
    return result == CURLE_OK;
}

struct Transfer {
    BodyBuffer body;
    // The Content-Length of the response now arriving, for the reservation.
    std::uint64_t declaredLength = 0;
    bool reserved = false;
};

// libcurl is told to ignore Content-Length (see below), so the length for the
// reservation is read here.
std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* context) {
    auto* transfer = static_cast<Transfer*>(context);
    const std::size_t length = size * count;
    std::string_view line(data, length);
    if (line.starts_with("HTTP/")) {
        transfer->declaredLength = 0;  // a new response after a redirect
    }
    constexpr std::string_view kName = "content-length:";
    if (line.size() > kName.size()) {
        std::string name(line.substr(0, kName.size()));
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
        if (name == kName) {
            const std::string_view value = TrimBlanks(line.substr(kName.size()));
            std::uint64_t declared = 0;
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), declared);
            if (error == std::errc() && end == value.data() + value.size()) {
                transfer->declaredLength = declared;
            }
        }
    }
    return length;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* context) {
    auto* transfer = static_cast<Transfer*>(context);
    if (!transfer->reserved) {
        transfer->body.ReserveFor(transfer->declaredLength);
        transfer->reserved = true;
    }
    const std::size_t length = size * count;
    const std::size_t before = transfer->body.size();
    if (!transfer->body.Append(data, length)) {
        // A short count makes libcurl end the transfer; what was kept stays.
        const std::size_t kept = transfer->body.size() - before;
        return kept < length ? kept : 0;
    }
    return length;
}

}  // namespace

Bytes FetchPageWith(const Text& url, const FetchLimits& limits) {
    if (url.empty() || !GlobalInit()) {
        return {};
    }
    const std::optional<SplitUrl> address = SplitAddress(url);
    if (!address) {
        return {};
    }
    const Easy easy(curl_easy_init());
    const HeaderList accept(curl_slist_append(nullptr, "Accept: */*"));
    if (!easy || !accept) {
        return {};
    }
    Transfer transfer{BodyBuffer(limits.bodyCap)};
    CURL* handle = easy.get();
    curl_easy_setopt(handle, CURLOPT_CURLU, address->handle.get());
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(handle, CURLOPT_USERAGENT, std::string(kUserAgent).c_str());
    // Replaces libcurl's own Accept, so exactly one goes out.
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, accept.get());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    // Without this a redirect may lead to FTP, and the default allows
    // endless redirects.
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
    // The declared length only sizes the buffer: the body is read to its end
    // (an HTTP/1.0 exchange ends with the connection), as the WinINet build
    // reads it.
    curl_easy_setopt(handle, CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    // Pieces of 100 KiB instead of 16 KiB: a large page then takes a sixth of
    // the reads and callbacks.
    curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, 102400L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(limits.connectTimeout.count()));
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME,
                     static_cast<long>(limits.lowSpeedTime.count()));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.deadline.count()));
    if (!limits.trustedAuthorities.empty()) {
        curl_easy_setopt(handle, CURLOPT_CAINFO, limits.trustedAuthorities.c_str());
        // Otherwise the system's directory would count as well.
        curl_easy_setopt(handle, CURLOPT_CAPATH, nullptr);
    }
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
    // Whatever the outcome, the bytes that arrived are the result: nothing
    // for a refused or failed request, the bytes so far for a broken one.
    curl_easy_perform(handle);
    return transfer.body.Take();
}

}  // namespace norvique
