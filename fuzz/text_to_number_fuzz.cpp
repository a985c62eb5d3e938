// TextToNumber on any bytes: never crashes, and the fold it starts with is
// idempotent, so that reading a folded text gives the same number.
#include <cmath>
#include <cstdlib>

#include "core/text.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = norvique::fuzz::Input(data, size).Rest();
    const double number = norvique::TextToNumber(text);
    const norvique::Text folded = norvique::FoldFullWidth(text);
    if (norvique::FoldFullWidth(folded) != folded) {
        std::abort();
    }
    const double again = norvique::TextToNumber(folded);
    if (!(again == number || (std::isnan(again) && std::isnan(number)))) {
        std::abort();
    }
    (void)norvique::TruncateToInt64(number);
    return 0;
}
