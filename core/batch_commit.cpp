#include "core/batch_commit.h"

#include <algorithm>

#include "core/batch_names.h"
#include "core/name_escape.h"
#include "platform/count_text.h"

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
        result_.failure = Failed(step, from, to, error);
        break;
      }
      Record(step, Shown::Yes);
    }
    return std::move(result_);
  }

 private:
  enum class Shown { No, Yes };

  void RenameOnDisk(std::string_view from, std::string_view to) { folder_.RenameFile(from, to); }

  // Where the failed rename left its file is asked before anything else moves, while the names
  // are as the rename left them.
  CommitFailure Failed(const RenameStep& step, std::string_view from, std::string_view to, const Error& error) {
    CommitFailure failure{step.move, error, BothNamesLeft(from, to), std::nullopt};
    const bool fileLost = !failure.underBothNames && OldNameGone(from);
    if (fileLost) failure.error = Error(error.Number(), error.Description() + "; " + DescribeOldNameGone(from, to));
    // A waiting file lost on its way from the temporary name cannot come back; the others of
    // its cycle still can.
    const bool waitingFileLost = fileLost && step.part == RenameStep::Part::FromTemporary;
    failure.strandedMove = MoveWaitingFileBack(waitingFileLost);
    return failure;
  }

  std::optional<NamesOfOneFile> BothNamesLeft(std::string_view from, std::string_view to) {
    if (!folder_.SameFile(from, to)) return std::nullopt;
    return NamesOfOneFile{std::string(from), std::string(to)};
  }

  // A rename that failed may still have taken the old name away: fusefat removes the old
  // entry before it refuses the new name, and a file may be removed meanwhile. A folder that
  // cannot be asked is not taken to have lost the name.
  bool OldNameGone(std::string_view from) {
    try {
      return !folder_.Identify(from);
    } catch (const Error&) {
      return false;
    }
  }

  // Told as the failed rename left the names, before any is moved back.
  std::string DescribeOldNameGone(std::string_view from, std::string_view to) {
    std::string told;
    if (folder_.Holds(to)) {
      told = "the old name ";
      AppendQuotedName(told, from);
      told += " no longer holds the file, and the new name ";
      AppendQuotedName(told, to);
      return told + " holds an item";
    }
    told = "the file is under neither its old name ";
    AppendQuotedName(told, from);
    told += " nor its new name ";
    AppendQuotedName(told, to);
    return told;
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
  std::optional<std::size_t> MoveWaitingFileBack(bool waitingFileLost) {
    if (!waiting_) return std::nullopt;
    try {
      for (auto move = movedSinceWaiting_.rbegin(); move != movedSinceWaiting_.rend(); ++move) {
        RenameOnDisk(moves_[*move].to, moves_[*move].from);
        result_.renamed[*move] = false;
        --done_;
      }
      if (waitingFileLost) return std::nullopt;
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
  message += CountText(result.RenamedCount()) + " of " + CountText(moves.size()) + " files were renamed; ";
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
