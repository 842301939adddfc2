#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

// A file of a set beside the set's main file, named as the main file's stem and an ending of
// its own (".JPG", ".CR2.xmp"). `Text` and `Tag` are as an entry's: the name it shows, and
// while a preview is shown, the name before it.
struct SetMember {
  std::string Text;
  std::string Tag;
  // The bytes of the ending, which a rename keeps: they close both names.
  std::uint32_t endingBytes = 0;

  std::string_view Ending() const { return std::string_view(Text).substr(Text.size() - endingBytes); }
};

// The members of a set, in list order, costing one pointer while there are none: most
// entries of most folders stand for one file.
class SetMembers {
 public:
  using iterator = std::vector<SetMember>::iterator;
  using const_iterator = std::vector<SetMember>::const_iterator;

  SetMembers() = default;
  SetMembers(const SetMembers& other) : members_(other.members_ ? std::make_unique<Held>(*other.members_) : nullptr) {}
  SetMembers(SetMembers&&) noexcept = default;
  SetMembers& operator=(const SetMembers& other) {
    if (this != &other) members_ = other.members_ ? std::make_unique<Held>(*other.members_) : nullptr;
    return *this;
  }
  SetMembers& operator=(SetMembers&&) noexcept = default;
  ~SetMembers() = default;

  void Add(SetMember member) {
    if (!members_) members_ = std::make_unique<Held>();
    members_->push_back(std::move(member));
  }
  bool empty() const { return !members_; }
  std::size_t size() const { return members_ ? members_->size() : 0; }
  // Value-initialized iterators compare equal, so no members iterate as empty.
  iterator begin() { return members_ ? members_->begin() : iterator(); }
  iterator end() { return members_ ? members_->end() : iterator(); }
  const_iterator begin() const { return members_ ? members_->cbegin() : const_iterator(); }
  const_iterator end() const { return members_ ? members_->cend() : const_iterator(); }

 private:
  using Held = std::vector<SetMember>;
  std::unique_ptr<Held> members_;
};

}  // namespace tolvane
