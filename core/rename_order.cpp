#include "core/rename_order.h"

#include <algorithm>
#include <optional>

#include "core/batch_names.h"
#include "core/longest_name.h"
#include "core/numbered_name.h"

namespace tolvane {

namespace {

std::string TemporaryCandidate(std::string_view oldName, std::size_t attempt) {
  std::string name = NumberedName(std::string(kTemporaryPrefix), attempt);
  name += "~";
  name.append(oldName);
  if (name.size() <= kLongestNameBytes) return name;
  // Cut where a character ends, and without a dot or space at the end, so that a volume that
  // keeps names in UTF-16 or drops closing dots takes the name as it is.
  std::size_t end = kLongestNameBytes;
  const auto continues = [&](std::size_t at) { return (static_cast<unsigned char>(name[at]) & 0xC0u) == 0x80u; };
  while (end > kLongestNameBytes - 3 && continues(end)) --end;
  name.resize(end);
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  return name;
}

}  // namespace

// Walks the moves chain by chain: a chain starts at a move whose new name is free, and goes
// on with the move that waits for the name just vacated.
class RenameOrderBuilder {
 public:
  RenameOrderBuilder(const std::vector<NameMove>& moves, const BatchNames& names)
      : moves_(moves), names_(names), links_(names.LinkMoves()), scheduled_(moves.size(), false) {
    if (links_.waitingBehind.size() != moves.size()) {
      throw Error(ErrorNumber::SubscriptOutOfRange, "Subscript out of range: the moves to order are not the batch's");
    }
    order_.steps.reserve(moves.size());
  }

  RenameOrder Build() {
    for (std::size_t m = 0; m < moves_.size(); ++m) {
      if (links_.newNameFree[m]) ScheduleChainFrom(m);
    }
    // What is left are cycles: every new name in them is another move's old name.
    for (std::size_t m = 0; m < moves_.size(); ++m) {
      if (!scheduled_[m]) ScheduleCycleFrom(m);
    }
    return std::move(order_);
  }

 private:
  void Schedule(std::size_t move, RenameStep::Part part) {
    order_.steps.push_back({static_cast<std::uint32_t>(move), part});
    scheduled_[move] = true;
  }

  // The move, unscheduled yet, that waits for `move`'s old name to be vacated.
  std::optional<std::size_t> WaitingFor(std::size_t move) const {
    const std::uint32_t waiting = links_.waitingBehind[move];
    if (waiting == MoveLinks::kNone || scheduled_[waiting]) return std::nullopt;
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
    order_.steps.push_back({static_cast<std::uint32_t>(move), RenameStep::Part::FromTemporary});
  }

  std::string FreeTemporaryName(std::string_view oldName) const {
    for (std::size_t attempt = 1;; ++attempt) {
      std::string candidate = TemporaryCandidate(oldName, attempt);
      if (!names_.Taken(candidate)) return candidate;
    }
  }

  const std::vector<NameMove>& moves_;
  const BatchNames& names_;
  const MoveLinks links_;
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

RenameOrder OrderRenames(const std::vector<NameMove>& moves, const BatchNames& names) {
  return RenameOrderBuilder(moves, names).Build();
}

}  // namespace tolvane
