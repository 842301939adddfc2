#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/rename_list.h"
#include "platform/file_dates.h"

namespace tolvane {

// A list whose entries stand for sets, seen file by file: the batch checks, journals,
// renames and reports files, while the list moves, drops and orders sets.

// Whether some entry of the list stands for more than one file.
bool HoldsSets(const RenameList& list);

// One entry per file, in list order, each set's main file before its members, with the
// names a preview gave them.
RenameList FilesOf(const RenameList& list);

// The name of every file the entries stand for, in the order of FilesOf.
std::vector<std::string_view> EveryFileNameOf(const RenameList& list, bool previewShown);

// One date per entry out of one per file in the order of FilesOf: the main file's, or where
// it has none, that of the first member that has one.
std::vector<FileDate> DatesOfEntries(const RenameList& list, const std::vector<FileDate>& fileDates);
// The same for the dates a name is written with: the entry's date taken is the first its files
// tell, its main file's first; its modification time is its main file's.
std::vector<NameDates> NameDatesOfEntries(const RenameList& list, const std::vector<NameDates>& fileDates);

// The date of each entry of `list`, whose files `names` are (EveryFileNameOf). Taken: the
// date its main file was taken, or where that file says nothing, the date a member was taken;
// where no file of the set says, its main file's modification time. Modified: the main file's
// modification time. Nothing when the read was stopped through `reading`.
std::optional<std::vector<FileDate>> ReadEntryDates(FileDates& dates, const std::string& folder, const RenameList& list,
                                                    const std::vector<std::string_view>& names, DateKind kind,
                                                    DateReading& reading);

}  // namespace tolvane
