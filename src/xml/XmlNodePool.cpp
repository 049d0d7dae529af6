#include <cstddef>
#include <new>

#include "xml/XmlNode.h"

// Under AddressSanitizer every node is its own allocation, so that a use
// after free is still caught.
#if defined(__SANITIZE_ADDRESS__)
#define TOLLIVANE_NODE_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOLLIVANE_NODE_POOL 0
#endif
#endif
#ifndef TOLLIVANE_NODE_POOL
#define TOLLIVANE_NODE_POOL 1
#endif

#if TOLLIVANE_NODE_POOL
namespace {

constexpr size_t kGrain = 8;
constexpr size_t kLargest = 128;           // larger nodes go to the general heap
constexpr size_t kChunkBytes = 64 * 1024;  // measured: larger chunks load no faster

struct TFreeNode {
  TFreeNode* Next;
};

// A document belongs to one thread, so each thread keeps its own lists and
// no lock is taken. Chunks are kept for the thread's next document and never
// returned; a node freed on another thread joins that thread's list.
struct TNodePool {
  TFreeNode* Free[kLargest / kGrain + 1] = {};
  char* Chunk = nullptr;
  size_t ChunkLeft = 0;

  void* Take(size_t size) {
    const size_t slot = (size + kGrain - 1) / kGrain;
    if (TFreeNode* node = Free[slot]) {
      Free[slot] = node->Next;
      return node;
    }
    const size_t bytes = slot * kGrain;
    if (ChunkLeft < bytes) {
      Chunk = static_cast<char*>(::operator new(kChunkBytes));
      ChunkLeft = kChunkBytes;
    }
    void* node = Chunk;
    Chunk += bytes;
    ChunkLeft -= bytes;
    return node;
  }

  void Give(void* node, size_t size) {
    const size_t slot = (size + kGrain - 1) / kGrain;
    auto* free = static_cast<TFreeNode*>(node);
    free->Next = Free[slot];
    Free[slot] = free;
  }
};

thread_local TNodePool gPool;

}  // namespace

void* TXmlNode::operator new(size_t size) { return size <= kLargest ? gPool.Take(size) : ::operator new(size); }

void TXmlNode::operator delete(void* node, size_t size) noexcept {
  if (size <= kLargest)
    gPool.Give(node, size);
  else
    ::operator delete(node);
}
#else
void* TXmlNode::operator new(size_t size) { return ::operator new(size); }
void TXmlNode::operator delete(void* node, size_t) noexcept { ::operator delete(node); }
#endif
