#include "fetch/url_split.h"

namespace norvique {

namespace {

struct CurlFree {
    void operator()(char* text) const { curl_free(text); }
};
using CurlText = std::unique_ptr<char, CurlFree>;

// One part, raw: no escape decoded. Nothing when the address has no such part.
std::optional<std::string> Part(CURLU* url, CURLUPart part) {
    char* raw = nullptr;
    if (curl_url_get(url, part, &raw, 0) != CURLUE_OK || raw == nullptr) {
        return std::nullopt;
    }
    const CurlText owned(raw);
    return std::string(owned.get());
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    // A pasted address often brings a blank or a line end along.
    const std::string_view blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::optional<SplitUrl> SplitAddress(std::string_view address) {
    // A NUL ends the address, as it ends the text the user typed.
    const std::string trimmed(TrimBlanks(address.substr(0, address.find('\0'))));
    SplitUrl split{UrlHandle(curl_url()), {}, {}, {}, {}, {}, {}};
    if (!split.handle || trimmed.empty() ||
        curl_url_set(split.handle.get(), CURLUPART_URL, trimmed.c_str(), 0) != CURLUE_OK) {
        return std::nullopt;
    }
    CURLU* url = split.handle.get();
    split.scheme = Part(url, CURLUPART_SCHEME).value_or("");
    if (split.scheme != "http" && split.scheme != "https") {
        return std::nullopt;
    }
    split.user = Part(url, CURLUPART_USER).value_or("");
    split.password = Part(url, CURLUPART_PASSWORD).value_or("");
    split.host = Part(url, CURLUPART_HOST).value_or("");
    split.port = Part(url, CURLUPART_PORT).value_or("");
    split.object = Part(url, CURLUPART_PATH).value_or("/");
    if (const auto query = Part(url, CURLUPART_QUERY)) {
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict)
        // about the temporary that "?" + text would make.
        split.object += '?';
        split.object += *query;
    }
    if (const auto fragment = Part(url, CURLUPART_FRAGMENT)) {
        // Counted like the WinINet split counts it, though never sent.
        split.object += '#';
        split.object += *fragment;
    }
    if (split.host.size() >= kHostLimit || split.object.size() >= kObjectLimit ||
        split.user.size() >= kUserLimit || split.password.size() >= kPasswordLimit) {
        return std::nullopt;
    }
    return split;
}

}  // namespace norvique
