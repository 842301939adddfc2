#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "core/batch_journal.h"
#include "platform/platform.h"

// Recovery of the commits that were cut short: their journals are found at the next start,
// and each batch is finished or undone, as the user chooses.
namespace tolvane {

// How many of the plan's steps had run when it was cut short, worked out from the names its
// folder holds: a run of renames leaves exactly one of its names free, and where that is
// tells how far it got. nullopt when the folder fits no moment of the plan (a file gone or
// renamed by hand, a name of the batch taken by another file).
std::optional<std::size_t> StepsDone(const JournalPlan& plan, OpenedFolder& folder);

// For every unfinished journal of the journal folder that no other process holds: asks
// whether to finish the batch or to give the renamed files their old names back, does it as
// a commit would, writes the report and removes the journal. A journal that cannot be applied
// is kept under another name and said so; nothing on disk is touched then. Partial journals
// left by a commit cut short while writing them are removed: no rename had begun.
void RecoverUnfinishedBatches(Platform platform);

}  // namespace tolvane
