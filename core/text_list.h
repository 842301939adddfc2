#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace tolvane {

// An ordered list of texts that costs one pointer while it is empty. An entry's sub-items are
// such a list, and nothing creates sub-items, so a million entries should not carry a million
// empty vectors.
class TextList {
 public:
  using const_iterator = std::vector<std::string>::const_iterator;

  TextList() = default;
  TextList(std::initializer_list<std::string> texts);
  TextList(const TextList& other);
  TextList(TextList&&) noexcept = default;
  TextList& operator=(const TextList& other);
  TextList& operator=(TextList&&) noexcept = default;
  ~TextList() = default;

  bool empty() const { return !texts_; }
  std::size_t size() const { return texts_ ? texts_->size() : 0; }
  // An empty list has no vector; value-initialized iterators compare equal, so it iterates as empty.
  const_iterator begin() const { return texts_ ? texts_->cbegin() : const_iterator(); }
  const_iterator end() const { return texts_ ? texts_->cend() : const_iterator(); }

  friend bool operator==(const TextList& a, const TextList& b);

 private:
  // Never holds an empty vector, so that equal lists compare equal whatever made them.
  std::unique_ptr<std::vector<std::string>> texts_;
};

}  // namespace tolvane
