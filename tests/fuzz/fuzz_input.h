#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tolvane::fuzz {

// Cuts one fuzz input into the values a target needs. A number takes four bytes, so every
// input maps to some number and libFuzzer's integer mutations reach the extremes; texts are
// cut at NUL bytes, which neither a file name nor a typed field holds, so seeds stay readable.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  // The next four bytes, little-endian; missing bytes count as zero.
  std::int32_t TakeNumber() {
    std::uint32_t bits = 0;
    for (int shift = 0; shift < 32 && !rest_.empty(); shift += 8) {
      bits |= std::uint32_t{static_cast<unsigned char>(rest_.front())} << shift;
      rest_.remove_prefix(1);
    }
    return static_cast<std::int32_t>(bits);
  }

  // The bytes up to the next NUL (which is dropped), or all that is left.
  std::string_view TakeText() {
    const std::size_t end = rest_.find('\0');
    const std::string_view text = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return text;
  }

  std::string_view TakeRest() {
    const std::string_view text = rest_;
    rest_ = {};
    return text;
  }

 private:
  std::string_view rest_;
};

}  // namespace tolvane::fuzz
