#include "HeapProbe.h"

#include <malloc.h>

#include <atomic>

namespace {

std::atomic<uint64_t> gAllocations{0};

}  // namespace

// Definitions in the executable take precedence over the C library's for
// every shared object, the peers' included; they forward to glibc's exported
// entry points so that mallinfo2 still sees every block. memalign and its
// kin are left to glibc: they share its allocator, so free stays valid.
extern "C" {
void* __libc_malloc(size_t size) noexcept;
void* __libc_calloc(size_t count, size_t size) noexcept;
void* __libc_realloc(void* block, size_t size) noexcept;
void __libc_free(void* block) noexcept;

void* malloc(size_t size) noexcept {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) noexcept {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}

void* realloc(void* block, size_t size) noexcept {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(block, size);
}

void free(void* block) noexcept { __libc_free(block); }
}

size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

uint64_t AllocationCount() { return gAllocations.load(std::memory_order_relaxed); }
