#include "fetch/body.h"

#include <algorithm>
#include <new>

#include "fetch/page_memory.h"

namespace norvique {

namespace {

// Below this, large pages would save too little to be worth the call.
constexpr std::size_t kLargeBody = std::size_t{4} << 20;

}  // namespace

void BodyBuffer::Grown() {
    if (bytes_.capacity() >= kLargeBody) {
        PreferLargePages(bytes_.data(), bytes_.capacity());
    }
}

void BodyBuffer::ReserveFor(std::uint64_t declaredLength) {
    const std::uint64_t wanted = std::min<std::uint64_t>(declaredLength, cap_);
    try {
        bytes_.reserve(static_cast<std::size_t>(wanted));
        Grown();
    } catch (const std::bad_alloc&) {
        // The body then grows piece by piece, as without a declared length.
    }
}

bool BodyBuffer::Append(const char* data, std::size_t count) {
    const std::size_t room = cap_ - bytes_.size();
    const std::size_t taken = std::min(count, room);
    try {
        if (taken > bytes_.capacity() - bytes_.size()) {
            // Grown by hand rather than by append, so that the new memory can
            // be advised before the old bytes are copied into it.
            Bytes larger;
            larger.reserve(std::min(cap_, std::max(bytes_.size() * 2, bytes_.size() + taken)));
            bytes_.swap(larger);
            Grown();
            bytes_.append(larger);
        }
        bytes_.append(data, taken);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return taken == count && bytes_.size() < cap_;
}

}  // namespace norvique
