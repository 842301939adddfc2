#pragma once

#include <string>

#include "core/batch_journal.h"
#include "platform/platform.h"

// Recovery of the commits that were cut short: their journals are found at the next start,
// and each batch is finished or undone, as the user chooses.
namespace tolvane {

// For every unfinished journal of the private state folder that the user owns and no other
// process holds: asks whether to finish the batch, give the renamed files their old names
// back, or wait until later; does it as a commit would, writes the report and keeps the
// journal as the batch's record (a recovery that stops keeps it as a journal). A journal that cannot be applied
// is kept under another name and said so; nothing on disk is touched then. Partial journals
// left by a commit cut short while writing them are removed: no rename had begun.
void RecoverUnfinishedBatches(Platform platform);

}  // namespace tolvane
