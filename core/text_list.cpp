#include "core/text_list.h"

#include <algorithm>

namespace tolvane {

namespace {

std::unique_ptr<std::vector<std::string>> HoldUnlessEmpty(std::vector<std::string> texts) {
  if (texts.empty()) return nullptr;
  return std::make_unique<std::vector<std::string>>(std::move(texts));
}

}  // namespace

TextList::TextList(std::initializer_list<std::string> texts) : texts_(HoldUnlessEmpty(texts)) {}

TextList::TextList(const TextList& other) : texts_(other.texts_ ? HoldUnlessEmpty(*other.texts_) : nullptr) {}

TextList& TextList::operator=(const TextList& other) {
  if (this != &other) texts_ = other.texts_ ? HoldUnlessEmpty(*other.texts_) : nullptr;
  return *this;
}

bool operator==(const TextList& a, const TextList& b) { return std::equal(a.begin(), a.end(), b.begin(), b.end()); }

}  // namespace tolvane
