#include "core/batch_commit.h"

#include <algorithm>

#include "core/batch_names.h"
#include "core/name_escape.h"

namespace tolvane {

namespace {

// One commit's walk through its steps, with what it needs to take back a broken cycle.
class CommitRun {
 public:
  CommitRun(OpenedFolder& folder, WindowServices& window, const std::vector<NameMove>& moves, const RenameOrder& order)
      : folder_(folder), window_(window), moves_(moves), order_(order) {
    result_.renamed.assign(moves.size(), false);
  }

  CommitResult Run(std::size_t stepsDone) {
    for (std::size_t done = 0; done < stepsDone; ++done) Record(order_.steps[done], Shown::No);
    for (std::size_t next = stepsDone; next < order_.steps.size(); ++next) {
      const RenameStep& step = order_.steps[next];
      const auto [from, to] = order_.NamesOf(step, moves_);
      try {
        RenameOnDisk(from, to);
      } catch (const Error& error) {
        result_.failure = CommitFailure{step.move, error, BothNamesLeft(from, to), MoveWaitingFileBack()};
        break;
      }
      Record(step, Shown::Yes);
    }
    return std::move(result_);
  }

 private:
  enum class Shown { No, Yes };

  void RenameOnDisk(std::string_view from, std::string_view to) { folder_.RenameFile(from, to); }

  // Asked before anything else moves, while the names are as the failed rename left them.
  std::optional<NamesOfOneFile> BothNamesLeft(std::string_view from, std::string_view to) {
    if (!folder_.SameFile(from, to)) return std::nullopt;
    return NamesOfOneFile{std::string(from), std::string(to)};
  }

  void Record(const RenameStep& step, Shown shown) {
    switch (step.part) {
      case RenameStep::Part::ToTemporary:
        waiting_ = step.move;
        movedSinceWaiting_.clear();
        return;
      case RenameStep::Part::FromTemporary:
        waiting_.reset();
        break;
      case RenameStep::Part::Whole:
        if (waiting_) movedSinceWaiting_.push_back(step.move);
        break;
    }
    MarkRenamed(step.move, shown);
  }

  void MarkRenamed(std::size_t move, Shown shown) {
    result_.renamed[move] = true;
    ++done_;
    if (shown == Shown::No) return;
    window_.YieldToEvents();
    window_.ShowProgress(done_, moves_.size());
  }

  // Every name of a cycle is held while one of its files waits, so the cycle's renames are
  // taken back, latest first, to free the waiting file's old name. Returns the waiting move
  // when its file could not be brought back.
  std::optional<std::size_t> MoveWaitingFileBack() {
    if (!waiting_) return std::nullopt;
    try {
      for (auto move = movedSinceWaiting_.rbegin(); move != movedSinceWaiting_.rend(); ++move) {
        RenameOnDisk(moves_[*move].to, moves_[*move].from);
        result_.renamed[*move] = false;
        --done_;
      }
      RenameOnDisk(order_.TemporaryNameOf(*waiting_), moves_[*waiting_].from);
    } catch (const Error&) {
      return waiting_;
    }
    return std::nullopt;
  }

  OpenedFolder& folder_;
  WindowServices& window_;
  const std::vector<NameMove>& moves_;
  const RenameOrder& order_;
  CommitResult result_;
  std::size_t done_ = 0;
  std::optional<std::size_t> waiting_;
  std::vector<std::size_t> movedSinceWaiting_;
};

}  // namespace

BatchMoves CollectMoves(const RenameList& list) {
  BatchMoves batch;
  const RenameList::Position count = list.Count();
  // Room for every entry: room that no move takes is never touched, so it costs no memory.
  batch.positions.reserve(count);
  batch.moves.reserve(count);
  for (RenameList::Position position = 1; position <= count; ++position) {
    const RenameEntry& entry = list.Item(position);
    if (!ChangesName(entry)) continue;
    batch.positions.push_back(position);
    batch.moves.push_back({entry.Tag, entry.Text});
  }
  return batch;
}

std::size_t CommitResult::RenamedCount() const {
  return static_cast<std::size_t>(std::count(renamed.begin(), renamed.end(), true));
}

CommitResult CommitMoves(OpenedFolder& folder, WindowServices& window, const std::vector<NameMove>& moves,
                         const RenameOrder& order) {
  return CommitRun(folder, window, moves, order).Run(0);
}

CommitResult ResumeMoves(OpenedFolder& folder, WindowServices& window, const std::vector<NameMove>& moves,
                         const RenameOrder& order, std::size_t stepsDone) {
  return CommitRun(folder, window, moves, order).Run(stepsDone);
}

std::string DescribeFailure(const std::vector<NameMove>& moves, const RenameOrder& order, const CommitResult& result) {
  const CommitFailure& failure = result.failure.value();
  const NameMove& move = moves[failure.move];
  std::string message = "Renaming stopped at ";
  AppendQuotedName(message, move.from);
  message += " -> ";
  AppendQuotedName(message, move.to);
  message += ":\n" + failure.error.Description() + "\n";
  message += std::to_string(result.RenamedCount()) + " of " + std::to_string(moves.size()) + " files were renamed; ";
  if (const auto& both = failure.underBothNames) {
    message += "the file ";
    AppendQuotedName(message, both->name);
    message += " now also has the name ";
    AppendQuotedName(message, both->otherName);
    message += " (one file under two names); ";
  }
  message += "the others keep their old names.";
  if (failure.strandedMove) {
    message += "\nThe file ";
    AppendQuotedName(message, moves[*failure.strandedMove].from);
    message += " could not be moved back and is now named ";
    AppendQuotedName(message, order.TemporaryNameOf(*failure.strandedMove));
    message += ".";
  }
  return message;
}

}  // namespace tolvane
