#include "core/batch_record.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <tuple>

#include "core/numbered_name.h"
#include "core/state_folder.h"
#include "platform/date_format.h"
#include "platform/path.h"

namespace tolvane {

namespace {

constexpr std::string_view kRecordStem = "Batch-";

// A record's name, and what it tells: its place in the sequence of records, and when it was
// kept. A record named before the sequence has none (0): it is older than every other, and
// those are ordered by their time and the try of their second.
struct RecordName {
  std::string name;
  std::uint64_t sequence = 0;
  DateTime made;
  std::size_t attempt = 1;
};

// Beyond this many digits a number is no part of a record's name, so the next number never
// overflows.
constexpr std::size_t kMostSequenceDigits = 18;

std::string NameOf(std::uint64_t sequence, const DateTime& made) {
  const std::string stamp = FormatDateTime(made, "YYYYMMDD-hhmmss", EnglishMonthAbbreviations());
  return std::string(kRecordStem) + std::to_string(sequence) + "-" + stamp + std::string(kRecordExtension);
}

std::optional<std::uint64_t> Digits(std::string_view text, std::size_t most = kMostSequenceDigits) {
  std::uint64_t value = 0;
  if (text.empty() || text.size() > most ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::vector<std::string_view> PartsOf(std::string_view text) {
  std::vector<std::string_view> parts;
  for (std::size_t dash; (dash = text.find('-')) != std::string_view::npos; text.remove_prefix(dash + 1)) {
    parts.push_back(text.substr(0, dash));
  }
  parts.push_back(text);
  return parts;
}

// Nothing for a name that is not a record's. "<sequence>-YYYYMMDD-hhmmss" since records are
// numbered; "YYYYMMDD-hhmmss", then "-<try>" from a second's second try on, before.
std::optional<RecordName> ParseRecordName(const std::string& name) {
  std::string_view rest(name);
  if (!rest.starts_with(kRecordStem) || !rest.ends_with(kRecordExtension)) return std::nullopt;
  rest.remove_prefix(kRecordStem.size());
  rest.remove_suffix(kRecordExtension.size());
  const std::vector<std::string_view> parts = PartsOf(rest);
  const bool numbered = parts.size() == 3 && parts[1].size() == 8;
  if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
  const std::string_view day = parts[numbered ? 1 : 0];
  const std::string_view time = parts[numbered ? 2 : 1];
  const auto date = day.size() == 8 ? Digits(day) : std::nullopt;
  const auto clock = time.size() == 6 ? Digits(time) : std::nullopt;
  if (!date || !clock) return std::nullopt;
  RecordName record{name, 0, DateTime{static_cast<int>(*date / 10000), static_cast<int>(*date / 100 % 100),
                                      static_cast<int>(*date % 100), static_cast<int>(*clock / 10000),
                                      static_cast<int>(*clock / 100 % 100), static_cast<int>(*clock % 100)}};
  if (numbered) {
    const auto sequence = Digits(parts[0]);
    if (!sequence || *sequence == 0) return std::nullopt;
    record.sequence = *sequence;
  } else if (parts.size() == 3) {
    const auto attempt = Digits(parts[2]);
    if (!attempt || *attempt < 2) return std::nullopt;
    record.attempt = static_cast<std::size_t>(*attempt);
  }
  return record;
}

auto OrderKey(const RecordName& record) {
  const DateTime& made = record.made;
  return std::tuple(record.sequence, made.year, made.month, made.day, made.hour, made.minute, made.second,
                    record.attempt);
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

// Stores a record under the next name of the sequence, one past the newest record's, whatever
// the clock says: `store` puts it under the name it is given, and raises FileAlreadyExists when
// another Tolvane took that name first.
void StoreAsNext(Platform platform, const std::string& stateFolder, const std::function<void(const std::string&)>& store) {
  const DateTime now = platform.system.CurrentDateTime();
  const std::vector<RecordName> records = RecordsIn(platform, stateFolder);
  for (std::uint64_t sequence = records.empty() ? 1 : records.front().sequence + 1;; ++sequence) {
    try {
      return store(NameOf(sequence, now));
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
      const std::unique_ptr<OpenedFolder> folder = platform.files.OpenFolder(stateFolder);
      StoreAsNext(platform, stateFolder, [&](const std::string& name) {
        folder->RenameFile(journalName, name);
        journal.path = JoinPath(stateFolder, name);
      });
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
  platform.window.RunLongWork([&] {
    StoreAsNext(platform, stateFolder, [&](const std::string& name) {
      const std::unique_ptr<DurableFile> file = platform.files.CreateDurableFile(JoinPath(stateFolder, name));
      EncodeRecord(folderPath, folder, moves, files, [&](std::string_view bytes) { file->Write(bytes); });
      file->Finish();
    });
    RemoveOldRecords(platform, stateFolder);
  });
}

bool Undoes(const JournalPlan& batch, const JournalPlan& earlier) {
  // Where both know their files, they must be one.
  return Reverses(batch.moves, earlier.moves) &&
         (batch.files.empty() || earlier.files.empty() || batch.files == earlier.files);
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
