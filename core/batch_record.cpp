#include "core/batch_record.h"

#include <algorithm>
#include <charconv>
#include <tuple>

#include "core/numbered_name.h"
#include "core/state_folder.h"
#include "platform/date_format.h"
#include "platform/path.h"

namespace tolvane {

namespace {

constexpr std::string_view kRecordStem = "Batch-";

// A record's name, and what it tells: when it was kept and on which try of that second.
struct RecordName {
  std::string name;
  DateTime made;
  std::size_t attempt = 1;
};

std::string NameOf(const DateTime& made, std::size_t attempt) {
  const std::string stamp = FormatDateTime(made, "YYYYMMDD-hhmmss", EnglishMonthAbbreviations());
  return NumberedName(std::string(kRecordStem) + stamp, attempt).append(kRecordExtension);
}

std::optional<int> Digits(std::string_view text) {
  int value = 0;
  if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (failure != std::errc()) return std::nullopt;
  return value;
}

// Nothing for a name that is not a record's.
std::optional<RecordName> ParseRecordName(const std::string& name) {
  std::string_view rest(name);
  if (!rest.starts_with(kRecordStem) || !rest.ends_with(kRecordExtension)) return std::nullopt;
  rest.remove_prefix(kRecordStem.size());
  rest.remove_suffix(kRecordExtension.size());
  // YYYYMMDD-hhmmss, then "-<try>" from the second try on.
  if (rest.size() < 15 || rest[8] != '-') return std::nullopt;
  const auto date = Digits(rest.substr(0, 8));
  const auto time = Digits(rest.substr(9, 6));
  std::optional<int> attempt = 1;
  if (rest.size() > 15) {
    attempt = rest[15] == '-' ? Digits(rest.substr(16)) : std::nullopt;
    if (attempt && *attempt < 2) return std::nullopt;
  }
  if (!date || !time || !attempt) return std::nullopt;
  const DateTime made{*date / 10000, *date / 100 % 100, *date % 100, *time / 10000, *time / 100 % 100, *time % 100};
  return RecordName{name, made, static_cast<std::size_t>(*attempt)};
}

auto OrderKey(const RecordName& record) {
  const DateTime& made = record.made;
  return std::tuple(made.year, made.month, made.day, made.hour, made.minute, made.second, record.attempt);
}

// The records of the folder, newest first.
std::vector<RecordName> RecordsIn(Platform platform, const std::string& stateFolder) {
  std::vector<RecordName> records;
  for (const FolderItem& item : platform.files.ReadFolder(stateFolder)) {
    if (item.kind != FolderItemKind::File) continue;
    if (std::optional<RecordName> record = ParseRecordName(item.name)) records.push_back(std::move(*record));
  }
  std::sort(records.begin(), records.end(),
            [](const RecordName& a, const RecordName& b) { return OrderKey(a) > OrderKey(b); });
  return records;
}

// Only records no other Tolvane is undoing, and only the user's own.
void RemoveOldRecords(Platform platform, const std::string& stateFolder) {
  const std::vector<RecordName> records = RecordsIn(platform, stateFolder);
  for (std::size_t old = kRecordsKept; old < records.size(); ++old) {
    const std::string path = JoinPath(stateFolder, records[old].name);
    const std::unique_ptr<LockedFile> file = platform.files.TryLockFile(path);
    if (file && file->OwnedByUser()) platform.files.RemoveFile(path);
  }
}

}  // namespace

namespace {

// The journal's new name in its folder.
std::string RenameToRecord(Platform platform, const std::string& stateFolder, const std::string& journalName) {
  const DateTime now = platform.system.CurrentDateTime();
  const std::unique_ptr<OpenedFolder> folder = platform.files.OpenFolder(stateFolder);
  for (std::size_t attempt = 1;; ++attempt) {
    const std::string name = NameOf(now, attempt);
    try {
      folder->RenameFile(journalName, name);
      return name;
    } catch (const Error& error) {
      if (error.Number() != ErrorNumber::FileAlreadyExists) throw;
    }
  }
}

}  // namespace

// A journal that cannot become a record still goes: left there, it would offer a finished
// batch as one cut short at the next start.
void KeepAsRecord(Platform platform, HeldJournal& journal) {
  // Named, not bound: a lambda below takes them, which clang 14 refuses for structured bindings.
  std::string stateFolder;
  std::string journalName;
  std::tie(stateFolder, journalName) = SplitPath(journal.path);
  // The state folder is read as any folder is: with the window painting meanwhile.
  platform.window.RunLongWork([&] {
    try {
      journal.path = JoinPath(stateFolder, RenameToRecord(platform, stateFolder, journalName));
    } catch (const Error& error) {
      journal.Remove(platform.files);
      throw Error(error.Number(), "The files are renamed and the report is written, but the record of the batch "
                                  "could not be kept, so it cannot be undone later: " + error.Description());
    }
    journal.file.reset();
    RemoveOldRecords(platform, stateFolder);
  });
}

void WriteRecord(Platform platform, const std::string& folderPath, OpenedFolder& folder,
                 const std::vector<NameMove>& moves, const std::vector<FileIdentity>& files) {
  const std::string stateFolder = PrivateStateFolder(platform);
  const DateTime now = platform.system.CurrentDateTime();
  platform.window.RunLongWork([&] {
    for (std::size_t attempt = 1;; ++attempt) {
      try {
        const std::unique_ptr<DurableFile> file =
            platform.files.CreateDurableFile(JoinPath(stateFolder, NameOf(now, attempt)));
        EncodeRecord(folderPath, folder, moves, files, [&](std::string_view bytes) { file->Write(bytes); });
        file->Finish();
        break;
      } catch (const Error& error) {
        if (error.Number() != ErrorNumber::FileAlreadyExists) throw;
      }
    }
    RemoveOldRecords(platform, stateFolder);
  });
}

std::vector<FoundRecord> LastRecordsOf(Platform platform, OpenedFolder& folder, const std::string& folderPath,
                                       std::size_t most) {
  std::vector<FoundRecord> found;
  const std::optional<std::string> stateFolder = FindPrivateStateFolder(platform);
  if (!stateFolder) return found;
  for (const RecordName& record : RecordsIn(platform, *stateFolder)) {
    if (found.size() == most) break;
    const std::string path = JoinPath(*stateFolder, record.name);
    try {
      const std::unique_ptr<LockedFile> file = platform.files.TryLockFile(path);
      if (!file || !file->OwnedByUser()) continue;
      JournalHead head = ReadJournalHead(file->ReadStart(kJournalHeadBytes));
      if (IsJournalFolder(head, folder, folderPath)) found.push_back(FoundRecord{path, std::move(head), record.made});
    } catch (const Error&) {
      continue;  // gone meanwhile, or no head of a journal: nothing that could be undone
    }
  }
  return found;
}

std::optional<FoundRecord> LastRecordOf(Platform platform, OpenedFolder& folder, const std::string& folderPath) {
  std::vector<FoundRecord> last = LastRecordsOf(platform, folder, folderPath, 1);
  if (last.empty()) return std::nullopt;
  return std::move(last.front());
}

bool Reverses(const std::vector<NameMove>& later, const std::vector<NameMove>& earlier) {
  if (later.size() != earlier.size()) return false;
  std::vector<std::pair<std::string_view, std::string_view>> forward;
  std::vector<std::pair<std::string_view, std::string_view>> back;
  for (const NameMove& move : earlier) forward.emplace_back(move.from, move.to);
  for (const NameMove& move : later) back.emplace_back(move.to, move.from);
  std::sort(forward.begin(), forward.end());
  std::sort(back.begin(), back.end());
  return forward == back;
}

}  // namespace tolvane
