#pragma once

#include <functional>
#include <vector>

#include "core/rename_list.h"
#include "core/rename_order.h"
#include "platform/platform.h"

namespace tolvane {

// A commit that stopped at a failure: the entries renamed before it, in list order, and why.
struct StoppedCommit {
  std::vector<RenameList::Position> renamed;
  Error error;
};

// Writes the report of a completed commit into the folder ChooseLogFolder gives: the header
// lines, every entry's old and new name in list order, and "Process Completed, Thank you";
// then opens it in the text editor. A name holding a line break is written escaped (see
// name_escape.h) so that every entry stays on one line. A report that cannot be written raises
// an Error that names the report's path; an editor that cannot be started or fails at once
// brings a warning that names it and offers to open its folder. The renames stay done either
// way. `written` runs once the report is stored, before the editor starts. A `subject` (the
// rename that an undo takes back) is said in the second line, after the date.
using ReportWritten = std::function<void()>;
void WriteReport(const RenameList& list, Platform platform, const ReportWritten& written = {},
                 const std::string& subject = {});

// The same for a commit that stopped: only the renamed entries, and in place of the closing
// line "Process stopped: " with the error's description.
void WriteReport(const RenameList& list, Platform platform, const StoppedCommit& stopped,
                 const ReportWritten& written = {}, const std::string& subject = {});

// The same for renames given by their names, in the order given: in the completed form, or in
// the stopped form when `stop` tells why they stopped. Gives the report's path.
std::string WriteReport(const std::vector<NameMove>& renames, Platform platform, const Error* stop,
                        const ReportWritten& written = {});

}  // namespace tolvane
