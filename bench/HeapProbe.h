#pragma once
// The process's heap, the same way for every library: bytes in use from
// glibc's own bookkeeping, and a count of malloc-family calls.

#include <cstddef>
#include <cstdint>

// Bytes in use: small blocks from the arenas plus large blocks that glibc
// maps on their own (mallinfo2's uordblks + hblkhd).
size_t HeapInUse();

// malloc, calloc and realloc calls since the process started. Operator new
// goes through malloc, so C and C++ libraries are counted alike.
uint64_t AllocationCount();
