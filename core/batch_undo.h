#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "platform/platform.h"

// The undo of the last batch of a folder, from its record (batch_record.h): a commit of the
// batch reversed, on the road of every commit, so that it is checked whole before the first
// rename, journaled, ordered through chains and cycles of names, reported, and recorded in its
// turn: undoing the undo renames forward again.
namespace tolvane {

// The last batch of a folder that a record could take back.
struct UndoableBatch {
  std::string recordPath;
  std::size_t files = 0;
  DateTime made;
  // When the batch is itself the undo of the batch before it: when that one was made. Taking
  // it back then renames the files again as that batch did.
  std::optional<DateTime> redoes;
};

// Whether a record reverses the record before it, by the two records' paths: a record never
// changes once kept, and two records of a million files take seconds to read and compare.
using KnownReversals = std::map<std::pair<std::string, std::string>, bool>;

// The last batch made in the folder of `folderPath`, known by the folder's identity; nothing
// when there is none, or the folder cannot be opened. `known`, when given, keeps what was
// found out about the records for the next call.
std::optional<UndoableBatch> LastUndoableBatch(Platform platform, const std::string& folderPath,
                                               KnownReversals* known = nullptr);

// Asks for confirmation, then undoes the folder's last batch: the pre-flight check (every file
// of the batch still under its new name, the same file where the volume keeps identities, and
// every old name free or freed by the batch), the journal, the renames, "File rename
// completed", the report of "new -> old" and the record. A record that is damaged or not a
// journal Tolvane wrote renames nothing, is set aside, and the message says why. False when
// there was nothing to undo or the user answered Cancel; nothing was touched then.
bool UndoLastBatch(Platform platform, const std::string& folderPath);

}  // namespace tolvane
