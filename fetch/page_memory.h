// How the memory of a large body is asked for, where the system lets a
// program choose.
#pragma once

#include <cstddef>

namespace norvique {

// Asks the system to back [data, data + size) with large pages where it can.
// A page of many megabytes otherwise costs one page fault per 4 KiB as it
// arrives, which is a good part of the whole fetch on loopback. Only advice:
// nothing changes when the system declines.
void PreferLargePages(void* data, std::size_t size);

}  // namespace norvique
