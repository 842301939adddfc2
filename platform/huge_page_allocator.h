#pragma once

#include <cstddef>
#include <limits>
#include <new>

namespace tolvane {

// Memory for arrays as large as a million entries. A first touch of a memory page is slow
// on a virtual machine, and such an array touches tens of thousands of 4 KiB pages; asking
// for 2 MiB pages touches a five-hundredth as many. Smaller blocks come from operator new.
// Blocks of fewer than `smallestOnLargePages` bytes (at least one large page) come from
// operator new: a block on large pages takes whole ones, and a block of a few of them would
// waste a good part of its last.
inline constexpr std::size_t kLargePageBytes = std::size_t{2} << 20;
void* AllocateLargeBlock(std::size_t bytes, std::size_t smallestOnLargePages = kLargePageBytes);
void FreeLargeBlock(void* block, std::size_t bytes, std::size_t smallestOnLargePages = kLargePageBytes) noexcept;

template <typename T, std::size_t SmallestOnLargePages = kLargePageBytes>
class HugePageAllocator {
 public:
  using value_type = T;
  template <typename U>
  struct rebind {
    using other = HugePageAllocator<U, SmallestOnLargePages>;
  };

  HugePageAllocator() = default;
  template <typename U>
  explicit HugePageAllocator(const HugePageAllocator<U, SmallestOnLargePages>&) noexcept {}

  T* allocate(std::size_t count) {
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(AllocateLargeBlock(count * sizeof(T), SmallestOnLargePages));
  }
  void deallocate(T* block, std::size_t count) noexcept {
    FreeLargeBlock(block, count * sizeof(T), SmallestOnLargePages);
  }

  friend bool operator==(const HugePageAllocator&, const HugePageAllocator&) { return true; }
};

}  // namespace tolvane
