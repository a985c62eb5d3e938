// AddToDateTime takes any unit, count and start without crashing, and what it
// gives can always be shown.
#include <cstdlib>

#include "core/datetime.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace norvique;
    fuzz::Input input(data, size);
    const double start = input.Take<double>();
    const auto unit = input.Take<std::int32_t>();
    const auto count = input.Take<std::int64_t>();
    const DateTime moved = AddToDateTime(start, unit, count);
    if (DateTimeToText(moved).empty()) {
        std::abort();
    }
    return 0;
}
