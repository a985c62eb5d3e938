// The address split of the libcurl build on any bytes: never crashes, and a
// split that succeeds is one the fetch may send: http or https, every part
// under its limit, an object that starts with "/" and holds no dot segment,
// no escape that the address did not carry, and the same parts again when
// the parts put together are split once more.
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "fetch/url_split.h"
#include "fuzz/fuzz_input.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

bool HasDotSegment(std::string_view object) {
    const std::string_view path = object.substr(0, object.find_first_of("?#"));
    std::size_t at = 0;
    while (at < path.size()) {
        const std::size_t end = std::min(path.find('/', at + 1), path.size());
        const std::string_view segment = path.substr(at + 1, end - at - 1);
        if (segment == "." || segment == "..") {
            return true;
        }
        at = end;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view address = norvique::fuzz::Input(data, size).Rest();
    const std::optional<norvique::SplitUrl> split = norvique::SplitAddress(address);
    if (!split) {
        return 0;
    }
    Check(split->handle != nullptr);
    Check(split->scheme == "http" || split->scheme == "https");
    Check(split->host.size() < norvique::kHostLimit);
    Check(split->object.size() < norvique::kObjectLimit);
    Check(split->user.size() < norvique::kUserLimit);
    Check(split->password.size() < norvique::kPasswordLimit);
    Check(split->object.starts_with("/"));
    Check(!HasDotSegment(split->object));
    if (address.find('%') == std::string_view::npos) {
        Check(split->object.find('%') == std::string::npos);
        Check(split->host.find('%') == std::string::npos);
        Check(split->user.find('%') == std::string::npos);
        Check(split->password.find('%') == std::string::npos);
    }
    // The parts put together again split into themselves.
    std::string again = split->scheme;
    again += "://";
    if (!split->user.empty() || !split->password.empty()) {
        again += split->user;
        if (!split->password.empty()) {
            again += ':';
            again += split->password;
        }
        again += '@';
    }
    again += split->host;
    if (!split->port.empty()) {
        again += ':';
        again += split->port;
    }
    again += split->object;
    const std::optional<norvique::SplitUrl> second = norvique::SplitAddress(again);
    Check(second.has_value());
    // The host alone may come back respelled: libcurl decodes escapes in a
    // host name and writes a numeric IPv4 host in dotted form.
    Check(second->scheme == split->scheme && second->port == split->port &&
          second->user == split->user && second->password == split->password &&
          second->object == split->object);
    return 0;
}
