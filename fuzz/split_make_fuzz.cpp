// SplitDateTime and MakeDateTime undo each other over the valid range: valid
// fields survive make-then-split, and an in-range value stays within half a
// second of itself through split-then-make. Below zero the rounding step moves
// a time in the last half second of a day onto the day before, as the stored
// convention has it; whole seconds, which is all a query makes, never land
// there, so that band is left out.
#include <cmath>
#include <cstdlib>

#include "core/datetime.h"
#include "fuzz/fuzz_input.h"

namespace {

std::int32_t Within(std::int32_t raw, std::int32_t low, std::int32_t high) {
    const auto span = static_cast<std::int64_t>(high) - low + 1;
    return static_cast<std::int32_t>(low + ((raw % span) + span) % span);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace norvique;
    fuzz::Input input(data, size);

    DateTimeFields f;
    f.year = Within(input.Take<std::int32_t>(), 100, 9999);
    f.month = Within(input.Take<std::int32_t>(), 1, 12);
    f.day = Within(input.Take<std::int32_t>(), 1, DaysInMonth(f.year, f.month));
    f.hour = Within(input.Take<std::int32_t>(), 0, 23);
    f.minute = Within(input.Take<std::int32_t>(), 0, 59);
    f.second = Within(input.Take<std::int32_t>(), 0, 59);
    // On the first and the last day of the range only midnight is in it.
    const bool firstDay = f.year == 100 && f.month == 1 && f.day == 1;
    const bool lastDay = f.year == 9999 && f.month == 12 && f.day == 31;
    if (firstDay || lastDay) {
        f.hour = f.minute = f.second = 0;
    }
    const std::optional<DateTimeFields> back = SplitDateTime(MakeDateTime(f));
    if (!back || *back != f) {
        std::abort();
    }

    const double value = input.Take<double>();
    if (value >= kMinDateTime && value <= kMaxDateTime) {
        const std::optional<DateTimeFields> split = SplitDateTime(value);
        if (!split) {
            std::abort();
        }
        // Compare as continuous time: below zero the fraction counts backwards.
        const auto continuous = [](double v) {
            const double day = std::trunc(v);
            return day + std::fabs(v - day);
        };
        const double fraction = std::fabs(value - std::trunc(value));
        if (value <= 0 && fraction > 1.0 - 0.5 / 86400.0) {
            return 0;
        }
        const double made = MakeDateTime(*split);
        if (std::fabs(continuous(made) - continuous(value)) > 0.5 / 86400.0 + 1e-9) {
            std::abort();
        }
    }
    return 0;
}
