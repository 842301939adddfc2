#pragma once

#include <string>
#include <vector>

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
// left by a commit cut short while writing them are removed: no rename had begun. Once a batch
// is finished or undone whole, a box says what was done. Gives the folders of those batches.
std::vector<std::string> RecoverUnfinishedBatches(Platform platform);

// Whether a batch of the folder of `folderPath` was cut short and waits for an answer (its
// journal is the user's and no other process holds it).
bool HasCutShortBatch(Platform platform, const std::string& folderPath);

// Asks about the cut-short batches of that folder alone, with the box of the start, and does
// what the answer says. False when none waits.
bool RecoverCutShortBatches(Platform platform, const std::string& folderPath);

}  // namespace tolvane
