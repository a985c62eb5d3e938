// The extraction rule on arbitrary page bytes, with FindText held to the
// plainest reading of the two-byte rule.
#include <cstdlib>

#include "core/text.h"
#include "fuzz/fuzz_input.h"
#include "tests/support/two_byte_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const norvique::Bytes body(norvique::fuzz::Input(data, size).Rest());
    const norvique::Text text = norvique::BytesToText(body);
    if (text.find('\0') != norvique::Text::npos || body.compare(0, text.size(), text) != 0) {
        std::abort();
    }
    const std::int32_t at = norvique::FindText(text, norvique::kMarker);
    if (at != norvique::test::WalkFind(text, norvique::kMarker)) {
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
