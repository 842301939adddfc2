#pragma once

#include <functional>
#include <string>

#include "core/checked_batch.h"
#include "core/rename_list.h"
#include "platform/platform.h"

namespace tolvane {

// Renames a batch that its check found no problem in, as every commit does: orders the
// renames, writes the journal, renames in that order, makes the renames durable, says "File
// rename completed", writes the report of its files and keeps the journal as the batch's record.
// A rename that fails stops the commit, which says so and reports the files it renamed.
// `renamed` runs once every file has its new name, before anything is said; `reportSubject`,
// when given, is the report's second line.
void CommitChecked(Platform platform, const std::string& folderPath, CheckedBatch& checked,
                   const std::function<void()>& renamed, const std::string& reportSubject = {});

}  // namespace tolvane
