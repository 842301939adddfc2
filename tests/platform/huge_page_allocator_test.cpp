#include "platform/huge_page_allocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <new>
#include <numeric>
#include <string>
#include <vector>

namespace tolvane {
namespace {

// Huge pages can only back whole, aligned 2 MiB stretches of a block.
constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

TEST(HugePageAllocator, GrowingVectorsKeepTheirElementsThroughSmallAndLargeBlocks) {
  std::vector<std::uint64_t, HugePageAllocator<std::uint64_t>> numbers;
  for (std::uint64_t i = 0; i < 1'000'000; ++i) numbers.push_back(i * 3);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(numbers.data()) % kHugePage, 0u);
  for (std::uint64_t i = 0; i < numbers.size(); ++i) ASSERT_EQ(numbers[i], i * 3);
  numbers.resize(10);
  numbers.shrink_to_fit();
  EXPECT_EQ(std::accumulate(numbers.begin(), numbers.end(), std::uint64_t{0}), 135u);
}

TEST(HugePageAllocator, CopiesOfLargeVectorsAreIndependent) {
  std::vector<std::string, HugePageAllocator<std::string>> names(200'000, "IMG_0001.jpg");
  auto copy = names;
  names.front() = "changed";
  EXPECT_EQ(copy.front(), "IMG_0001.jpg");
  EXPECT_EQ(copy.back(), "IMG_0001.jpg");
}

TEST(HugePageAllocator, AnImpossibleSizeRaisesInsteadOfWrapping) {
  EXPECT_THROW(static_cast<void>(HugePageAllocator<std::uint64_t>().allocate(std::size_t{1} << 61)), std::bad_alloc);
  // Rounded up to whole huge pages, this size would wrap around to a small one.
  const std::size_t nearlyAll = std::numeric_limits<std::size_t>::max() - 1;
  EXPECT_THROW(static_cast<void>(HugePageAllocator<char>().allocate(nearlyAll)), std::bad_alloc);
}

}  // namespace
}  // namespace tolvane
