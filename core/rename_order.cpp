#include "core/rename_order.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "core/name_table.h"

namespace tolvane {

namespace {

constexpr std::size_t kMaxNameBytes = 255;

std::string TemporaryCandidate(std::string_view oldName, std::size_t attempt) {
  std::string name(kTemporaryPrefix);
  if (attempt > 1) name.append("-").append(std::to_string(attempt));
  name += "~";
  name.append(oldName);
  name.resize(std::min(name.size(), kMaxNameBytes));
  return name;
}

}  // namespace

// Walks the moves chain by chain: a chain starts at a move whose new name is free, and goes
// on with the move that waits for the name just vacated.
class RenameOrderBuilder {
 public:
  RenameOrderBuilder(const std::vector<NameMove>& moves, const std::vector<FolderItem>& folderItems)
      : moves_(moves), folderItems_(folderItems), scheduled_(moves.size(), false) {
    LinkMoves();
    order_.steps.reserve(moves.size());
  }

  RenameOrder Build() {
    for (std::size_t m = 0; m < moves_.size(); ++m) {
      if (newNameFree_[m]) ScheduleChainFrom(m);
    }
    // What is left are cycles: every new name in them is another move's old name.
    for (std::size_t m = 0; m < moves_.size(); ++m) {
      if (!scheduled_[m]) ScheduleCycleFrom(m);
    }
    return std::move(order_);
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Which moves leave and which arrive at a name.
  struct NameRoles {
    std::size_t leaving = kNone;
    std::size_t arriving = kNone;
  };

  // Looks every name up once, so that a million moves cost two hash look-ups each.
  void LinkMoves() {
    NameTable<NameRoles> roles(2 * moves_.size());
    std::vector<std::pair<const NameRoles*, const NameRoles*>> rolesOfMove;
    rolesOfMove.reserve(moves_.size());
    for (std::size_t m = 0; m < moves_.size(); ++m) {
      NameRoles& from = roles[moves_[m].from];
      NameRoles& to = roles[moves_[m].to];
      from.leaving = m;
      to.arriving = m;
      rolesOfMove.emplace_back(&from, &to);
    }
    waitingBehind_.reserve(moves_.size());
    newNameFree_.reserve(moves_.size());
    for (const auto& [from, to] : rolesOfMove) {
      waitingBehind_.push_back(from->arriving);
      newNameFree_.push_back(to->leaving == kNone);
    }
  }

  void Schedule(std::size_t move, RenameStep::Part part) {
    order_.steps.push_back({move, part});
    scheduled_[move] = true;
  }

  // The move, unscheduled yet, that waits for `move`'s old name to be vacated.
  std::optional<std::size_t> WaitingFor(std::size_t move) const {
    const std::size_t waiting = waitingBehind_[move];
    if (waiting == kNone || scheduled_[waiting]) return std::nullopt;
    return waiting;
  }

  void ScheduleWaitingBehind(std::size_t move) {
    for (auto next = WaitingFor(move); next; next = WaitingFor(*next)) Schedule(*next, RenameStep::Part::Whole);
  }

  void ScheduleChainFrom(std::size_t move) {
    Schedule(move, RenameStep::Part::Whole);
    ScheduleWaitingBehind(move);
  }

  void ScheduleCycleFrom(std::size_t move) {
    order_.temporaryNames_.emplace(move, FreeTemporaryName(moves_[move].from));
    Schedule(move, RenameStep::Part::ToTemporary);
    ScheduleWaitingBehind(move);
    order_.steps.push_back({move, RenameStep::Part::FromTemporary});
  }

  std::string FreeTemporaryName(std::string_view oldName) {
    if (taken_.empty()) {
      taken_.reserve(folderItems_.size() + moves_.size());
      for (const FolderItem& item : folderItems_) taken_.insert(item.name);
      for (const NameMove& move : moves_) taken_.insert(move.to);
    }
    for (std::size_t attempt = 1;; ++attempt) {
      std::string candidate = TemporaryCandidate(oldName, attempt);
      if (!taken_.contains(candidate)) return candidate;
    }
  }

  const std::vector<NameMove>& moves_;
  const std::vector<FolderItem>& folderItems_;
  std::vector<std::size_t> waitingBehind_;  // by move: the move whose new name is its old name
  std::vector<bool> newNameFree_;           // by move: no move leaves its new name
  std::unordered_set<std::string_view> taken_;
  std::vector<bool> scheduled_;
  RenameOrder order_;
};

std::pair<std::string_view, std::string_view> RenameOrder::NamesOf(const RenameStep& step,
                                                                   const std::vector<NameMove>& moves) const {
  const NameMove& move = moves[step.move];
  switch (step.part) {
    case RenameStep::Part::ToTemporary: return {move.from, TemporaryNameOf(step.move)};
    case RenameStep::Part::FromTemporary: return {TemporaryNameOf(step.move), move.to};
    case RenameStep::Part::Whole: break;
  }
  return {move.from, move.to};
}

RenameOrder OrderRenames(const std::vector<NameMove>& moves, const std::vector<FolderItem>& folderItems) {
  return RenameOrderBuilder(moves, folderItems).Build();
}

}  // namespace tolvane
