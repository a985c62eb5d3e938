#include "fetch/body.h"

#include <algorithm>
#include <new>

namespace norvique {

void BodyBuffer::ReserveFor(std::uint64_t declaredLength) {
    const std::uint64_t wanted = std::min<std::uint64_t>(declaredLength, cap_);
    try {
        bytes_.reserve(static_cast<std::size_t>(wanted));
    } catch (const std::bad_alloc&) {
        // The body then grows piece by piece, as without a declared length.
    }
}

bool BodyBuffer::Append(const char* data, std::size_t count) {
    const std::size_t room = cap_ - bytes_.size();
    const std::size_t taken = std::min(count, room);
    try {
        bytes_.append(data, taken);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return taken == count && bytes_.size() < cap_;
}

}  // namespace norvique
