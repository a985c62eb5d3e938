// The extraction rule on arbitrary page bytes, with FindText held to the
// plainest reading of the two-byte rule: walk the text a character at a time.
#include <cstdlib>

#include "core/text.h"
#include "fuzz/fuzz_input.h"

namespace {

std::int32_t WalkFind(std::string_view text, std::string_view sought) {
    if (sought.empty() || text.size() < sought.size()) {
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const norvique::Bytes body(norvique::fuzz::Input(data, size).Rest());
    const norvique::Text text = norvique::BytesToText(body);
    if (text.find('\0') != norvique::Text::npos || body.compare(0, text.size(), text) != 0) {
        std::abort();
    }
    const std::int32_t at = norvique::FindText(text, norvique::kMarker);
    if (at != WalkFind(text, norvique::kMarker)) {
        std::abort();
    }
    const norvique::EndTime end = norvique::ExtractEndTime(text);
    if (end.found != (at > 0)) {
        std::abort();
    }
    if (end.found) {
        const auto sliceStart = at + static_cast<std::int32_t>(norvique::kMarker.size());
        const norvique::Text slice = norvique::MidText(text, sliceStart, norvique::kSliceLength);
        if (slice.size() > static_cast<std::size_t>(norvique::kSliceLength) ||
            end.seconds != norvique::TruncateToInt64(norvique::TextToNumber(slice))) {
            std::abort();
        }
    }
    return 0;
}
