#pragma once

#include <cstddef>

namespace ostrel::test {

// Allocations through operator new in this program so far. Linking the library that defines it
// replaces operator new with a counting one, so a test can tell that a stretch of work
// allocated nothing of ours (the JPEG library's own pools use malloc and are not counted).
size_t AllocationCount();

} // namespace ostrel::test
