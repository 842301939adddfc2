#include "platform/huge_page_allocator.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <new>

namespace tolvane {

namespace {

constexpr std::size_t kHugePage = kLargePageBytes;

bool IsLarge(std::size_t bytes, std::size_t smallestOnLargePages) {
  return bytes >= std::max(smallestOnLargePages, kHugePage);
}

}  // namespace

void* AllocateLargeBlock(std::size_t bytes, std::size_t smallestOnLargePages) {
  if (!IsLarge(bytes, smallestOnLargePages)) return ::operator new(bytes);
  if (bytes > std::numeric_limits<std::size_t>::max() - kHugePage) throw std::bad_alloc();
  const std::size_t whole = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* block = std::aligned_alloc(kHugePage, whole);
  if (!block) throw std::bad_alloc();
  // Only advice: where huge pages are off or none is free, the block has ordinary pages.
  madvise(block, whole, MADV_HUGEPAGE);
  return block;
}

void FreeLargeBlock(void* block, std::size_t bytes, std::size_t smallestOnLargePages) noexcept {
  if (IsLarge(bytes, smallestOnLargePages)) {
    std::free(block);
  } else {
    ::operator delete(block);
  }
}

}  // namespace tolvane
