// A text that ParseDateTime reads must come back to the same value when it is
// written out by DateTimeToText and read again.
#include <cstdlib>

#include "core/datetime.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = norvique::fuzz::Input(data, size).Rest();
    const norvique::DateTime value = norvique::ParseDateTime(text);
    // The failure value is also 100-01-01, which does round-trip.
    if (value == norvique::kFailedDateTime) {
        return 0;
    }
    const norvique::Text shown = norvique::DateTimeToText(value);
    if (shown.empty() || norvique::ParseDateTime(shown) != value) {
        std::abort();
    }
    return 0;
}
