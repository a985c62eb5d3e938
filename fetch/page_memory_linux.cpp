#include <sys/mman.h>

#include <cstdint>

#include "fetch/page_memory.h"

namespace norvique {

void PreferLargePages(void* data, std::size_t size) {
    // Transparent huge pages come in 2 MiB; only whole ones inside the block
    // can be advised.
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t from = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t to = (start + size) & ~(kHugePage - 1);
    if (to > from) {
        madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    }
}

}  // namespace norvique
