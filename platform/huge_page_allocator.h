#pragma once

#include <cstddef>
#include <limits>
#include <new>

namespace tolvane {

// Memory for arrays as large as a million entries. A first touch of a memory page is slow
// on a virtual machine, and such an array touches tens of thousands of 4 KiB pages; asking
// for 2 MiB pages touches a five-hundredth as many. Smaller blocks come from operator new.
void* AllocateLargeBlock(std::size_t bytes);
void FreeLargeBlock(void* block, std::size_t bytes) noexcept;

template <typename T>
class HugePageAllocator {
 public:
  using value_type = T;

  HugePageAllocator() = default;
  template <typename U>
  explicit HugePageAllocator(const HugePageAllocator<U>&) noexcept {}

  T* allocate(std::size_t count) {
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(AllocateLargeBlock(count * sizeof(T)));
  }
  void deallocate(T* block, std::size_t count) noexcept { FreeLargeBlock(block, count * sizeof(T)); }

  friend bool operator==(const HugePageAllocator&, const HugePageAllocator&) { return true; }
};

}  // namespace tolvane
