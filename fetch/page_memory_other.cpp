#include "fetch/page_memory.h"

namespace norvique {

// No advice that would pay here: Windows' large pages need a privilege that a
// desktop program does not hold.
void PreferLargePages(void*, std::size_t) {}

}  // namespace norvique
