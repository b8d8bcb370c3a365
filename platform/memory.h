#pragma once

#include <malloc.h>

namespace platform {

// The book is read whole for every agenda and every change: a large one is a few blocks of
// several megabytes each time. The C library would map each such block afresh and give it
// back when it is freed (or give back the heap's top once it is free), and the next block's
// every page would then have to be faulted in again, which costs more than reading the book.
// Blocks of up to 64 MiB therefore come from the heap and stay there for the next one.
inline void KeepLargeBlocks()
{
#ifdef M_MMAP_THRESHOLD
    constexpr int Keep = 64 << 20;
    mallopt(M_MMAP_THRESHOLD, Keep);
    mallopt(M_TRIM_THRESHOLD, 2 * Keep);
#endif
}

} // namespace platform
