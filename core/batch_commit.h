#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/rename_list.h"
#include "core/rename_order.h"
#include "platform/platform.h"

namespace tolvane {

// The files a commit renames: every previewed entry whose new name differs from its old
// one, in list order, with the list position each came from. The moves view the list's
// names, so the list must stay as it is until the commit has ended, as its positions must.
struct BatchMoves {
  std::vector<RenameList::Position> positions;
  std::vector<NameMove> moves;
};

BatchMoves CollectMoves(const RenameList& list);

// Two names that lead to one file.
struct NamesOfOneFile {
  std::string name;
  std::string otherName;
};

struct CommitFailure {
  std::size_t move;  // the move whose rename failed
  // Says, after the system's reason, where a rename that took the old name away left the file.
  Error error;
  // Set when the failed rename made the new name but could not take the old one away again.
  std::optional<NamesOfOneFile> underBothNames;
  // Set when the file waiting under a temporary name could not be moved back to its old name.
  std::optional<std::size_t> strandedMove;
};

// What a commit did on disk.
struct CommitResult {
  std::vector<bool> renamed;  // by move: the file now has its new name
  std::optional<CommitFailure> failure;

  std::size_t RenamedCount() const;
};

// Renames in `order` within `folder`, yielding and showing progress after each file. The first failing
// rename stops the commit; a file waiting under a temporary name is then brought back to its
// old name, undoing the renames of its cycle, so that every file keeps its old or new name.
CommitResult CommitMoves(OpenedFolder& folder, WindowServices& window, const std::vector<NameMove>& moves,
                         const RenameOrder& order);
// The same for a commit cut short after its first `stepsDone` steps: they count as done, and a
// file they left under its temporary name is known to wait there.
CommitResult ResumeMoves(OpenedFolder& folder, WindowServices& window, const std::vector<NameMove>& moves,
                         const RenameOrder& order, std::size_t stepsDone);

// The message of a commit that stopped: which file failed, why, and how many were renamed.
std::string DescribeFailure(const std::vector<NameMove>& moves, const RenameOrder& order, const CommitResult& result);

}  // namespace tolvane
