#include "platform/huge_page_allocator.h"

#include <sys/mman.h>

#include <cstdlib>
#include <limits>
#include <new>

namespace tolvane {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

bool IsLarge(std::size_t bytes) { return bytes >= kHugePage; }

}  // namespace

void* AllocateLargeBlock(std::size_t bytes) {
  if (!IsLarge(bytes)) return ::operator new(bytes);
  if (bytes > std::numeric_limits<std::size_t>::max() - kHugePage) throw std::bad_alloc();
  const std::size_t whole = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* block = std::aligned_alloc(kHugePage, whole);
  if (!block) throw std::bad_alloc();
  // Only advice: where huge pages are off or none is free, the block has ordinary pages.
  madvise(block, whole, MADV_HUGEPAGE);
  return block;
}

void FreeLargeBlock(void* block, std::size_t bytes) noexcept {
  if (IsLarge(bytes)) {
    std::free(block);
  } else {
    ::operator delete(block);
  }
}

}  // namespace tolvane
