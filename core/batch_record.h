#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/batch_journal.h"
#include "platform/platform.h"

// The records of finished batches. A commit's journal, once the batch's report is written, is
// kept as the batch's record, so that the last batch of a folder can be undone at any later
// time, after the program was closed or the machine restarted. Records live beside the
// journals, in the private state folder, as "Batch-<n>-YYYYMMDD-hhmmss.record": n counts the
// records kept, one past the newest, and orders them, since a clock may run ahead or be set
// back; the time is when the record was kept. Records named before they were counted
// ("Batch-YYYYMMDD-hhmmss[-<try>].record") are older than every counted one. The newest
// kRecordsKept are kept. A record is a journal in every byte and is read back as strictly.
namespace tolvane {

inline constexpr std::string_view kRecordExtension = ".record";
inline constexpr std::size_t kRecordsKept = 50;

// Once the batch's report is written: its journal becomes the batch's record, and records
// beyond the newest kRecordsKept are removed.
void KeepAsRecord(Platform platform, HeldJournal& journal);

// The record of renames that ran under another batch's journal (a rollback's), made after
// them: `files` are the renamed files, by move, where the folder's volume keeps identities.
void WriteRecord(Platform platform, const std::string& folderPath, OpenedFolder& folder,
                 const std::vector<NameMove>& moves, const std::vector<FileIdentity>& files);

// Whether `batch` takes back every rename of `earlier`, as the undo of `earlier` does: it
// reverses `earlier`, and where both know their files, they are the same files.
bool Undoes(const JournalPlan& batch, const JournalPlan& earlier);

// A record found for a folder, read only as far as its head.
struct FoundRecord {
  std::string path;
  JournalHead head;
  DateTime made;  // when the batch was kept, from the record's name
};

// The newest record of a batch made in `folder`, opened from `folderPath`; known by its
// identity, or, on a volume whose identities last one mount, by its path and volume. Records
// that another Tolvane holds, that are not the user's, or whose head cannot be read are passed
// over. Nothing when the private state folder is not there.
std::optional<FoundRecord> LastRecordOf(Platform platform, OpenedFolder& folder, const std::string& folderPath);
// The same for the newest `most` records of the folder's batches, newest first.
std::vector<FoundRecord> LastRecordsOf(Platform platform, OpenedFolder& folder, const std::string& folderPath,
                                       std::size_t most);

// Whether the renames of `later` take back exactly those of `earlier`: every file goes from
// the name `earlier` gave it to the name it had. An undo's record reverses its batch's.
bool Reverses(const std::vector<NameMove>& later, const std::vector<NameMove>& earlier);

}  // namespace tolvane
