// FetchPage with libcurl: the request that the WinINet build sends (GET,
// HTTP/1.0, the fixed User-Agent, one Accept of "*/*", no Referer, no cache),
// with the address split and bounded the way the WinINet split bounds it.
#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "fetch/body.h"
#include "fetch/fetch.h"

namespace norvique {

namespace {

// The part limits of the address, terminating NUL included, as the WinINet
// split has them.
constexpr std::size_t kHostBuffer = 256;
constexpr std::size_t kObjectBuffer = 2048;
constexpr std::size_t kUserBuffer = 128;
constexpr std::size_t kPasswordBuffer = 128;
constexpr long kMaxRedirects = 10;

struct EasyCleanup {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct UrlCleanup {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct ListCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct CurlFree {
    void operator()(char* text) const { curl_free(text); }
};
using Easy = std::unique_ptr<CURL, EasyCleanup>;
using Url = std::unique_ptr<CURLU, UrlCleanup>;
using HeaderList = std::unique_ptr<curl_slist, ListCleanup>;
using CurlText = std::unique_ptr<char, CurlFree>;

bool GlobalInit() {
    static std::once_flag once;
    static CURLcode result = CURLE_FAILED_INIT;
    std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
    return result == CURLE_OK;
}

// One part of the split address, raw: no escape decoded. Absent parts are
// empty.
std::string Part(CURLU* url, CURLUPart part) {
    char* raw = nullptr;
    if (curl_url_get(url, part, &raw, 0) != CURLUE_OK || raw == nullptr) {
        return {};
    }
    const CurlText owned(raw);
    return std::string(owned.get());
}

bool Fits(const std::string& part, std::size_t buffer) {
    return part.size() < buffer;
}

std::string_view TrimBlanks(std::string_view text) {
    // A pasted address often brings a blank or a line end along.
    const std::string_view blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Splits the address as the generic URI syntax has it: no scheme guessed, no
// escape added or decoded, dot segments resolved, an empty path made "/".
// Null when the address does not split, is not http or https, or has a part
// longer than its limit.
Url SplitAddress(const Text& address) {
    Url url(curl_url());
    if (!url) {
        return nullptr;
    }
    const std::string trimmed(TrimBlanks(address.c_str()));
    if (trimmed.empty() ||
        curl_url_set(url.get(), CURLUPART_URL, trimmed.c_str(), 0) != CURLUE_OK) {
        return nullptr;
    }
    const std::string scheme = Part(url.get(), CURLUPART_SCHEME);
    if (scheme != "http" && scheme != "https") {
        return nullptr;
    }
    std::string object = Part(url.get(), CURLUPART_PATH);
    if (char* query = nullptr; curl_url_get(url.get(), CURLUPART_QUERY, &query, 0) == CURLUE_OK) {
        const CurlText owned(query);
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict)
        // about the temporary that "?" + text would make.
        object += '?';
        object += owned.get();
    }
    if (char* fragment = nullptr;
        curl_url_get(url.get(), CURLUPART_FRAGMENT, &fragment, 0) == CURLUE_OK) {
        // Counted like the WinINet split counts it, though never sent.
        const CurlText owned(fragment);
        object += '#';
        object += owned.get();
    }
    if (!Fits(Part(url.get(), CURLUPART_HOST), kHostBuffer) || !Fits(object, kObjectBuffer) ||
        !Fits(Part(url.get(), CURLUPART_USER), kUserBuffer) ||
        !Fits(Part(url.get(), CURLUPART_PASSWORD), kPasswordBuffer)) {
        return nullptr;
    }
    return url;
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
    const Url address = SplitAddress(url);
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
    curl_easy_setopt(handle, CURLOPT_CURLU, address.get());
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
