#include "core/batch_journal.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <iterator>
#include <optional>

#include "core/numbered_name.h"
#include "core/plain_reason.h"
#include "core/state_folder.h"
#include "platform/path.h"

namespace tolvane {

namespace {

constexpr std::string_view kHeaderStem = "Tolvane batch journal ";
// Version 1 kept neither the volume nor the files' identities, version 2 no births, version 3
// summed its bytes one at a time.
constexpr int kVersion = 4;
constexpr int kFirstVersionSummedByWords = 4;
constexpr std::string_view kEnd = "end ";
constexpr std::size_t kChunkBytes = 1 << 16;
constexpr int kMostJournals = 100;

// FNV-1a over the journal's bytes. From version 4 it takes eight bytes at a time, and folds
// each product's high half onto its low half, which the multiplication alone never reaches: a
// byte at a time it took longer than writing a million files' journal did.
class Checksum {
 public:
  explicit Checksum(int version) : byWords_(version >= kFirstVersionSummedByWords) {}

  void Add(std::string_view bytes) {
    if (!byWords_) return AddBytes(bytes);
    // The bytes of a word that an earlier piece began.
    while (pendingBytes_ > 0 && pendingBytes_ < sizeof(std::uint64_t) && !bytes.empty()) {
      pending_[pendingBytes_++] = bytes.front();
      bytes.remove_prefix(1);
    }
    if (pendingBytes_ == sizeof(std::uint64_t)) {
      AddWord(pending_.data());
      pendingBytes_ = 0;
    }
    for (; bytes.size() >= sizeof(std::uint64_t); bytes.remove_prefix(sizeof(std::uint64_t))) AddWord(bytes.data());
    for (const char byte : bytes) pending_[pendingBytes_++] = byte;
  }

  // The last bytes that make no whole word are summed one at a time.
  std::string Text() const {
    Checksum whole = *this;
    whole.AddBytes(std::string_view(pending_.data(), pendingBytes_));
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(whole.value_));
    return text;
  }

 private:
  static constexpr std::uint64_t kPrime = 0x100000001b3ULL;

  void AddBytes(std::string_view bytes) {
    for (const char byte : bytes) {
      value_ ^= static_cast<unsigned char>(byte);
      value_ *= kPrime;
    }
  }

  // The word read as little-endian, so that a journal sums alike on every machine.
  void AddWord(const char* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    value_ = (value_ ^ word) * kPrime;
    value_ ^= value_ >> 32;
  }

  bool byWords_;
  std::uint64_t value_ = 0xcbf29ce484222325ULL;
  std::array<char, sizeof(std::uint64_t)> pending_{};
  std::size_t pendingBytes_ = 0;
};

// Gathers the text in pieces of about kChunkBytes, so that a million names are never held twice.
class JournalEncoder {
 public:
  explicit JournalEncoder(const std::function<void(std::string_view)>& write) : write_(write) {}

  JournalEncoder& Text(std::string_view text) {
    chunk_.append(text);
    if (chunk_.size() >= kChunkBytes) Flush();
    return *this;
  }
  // Five numbers a file: written in place, not made into a string each.
  JournalEncoder& Number(std::uint64_t number) {
    char digits[20];
    const char* end = std::to_chars(std::begin(digits), std::end(digits), number).ptr;
    return Text(std::string_view(digits, static_cast<std::size_t>(end - digits)));
  }
  JournalEncoder& Name(std::string_view name) { return Number(name.size()).Text(":").Text(name); }
  JournalEncoder& Identity(const FileIdentity& identity) {
    return Number(identity.device).Text(" ").Number(identity.inode).Text(" ").Number(identity.birth);
  }

  void End() {
    Flush();
    write_(std::string(kEnd) + checksum_.Text() + "\n");
  }

 private:
  void Flush() {
    checksum_.Add(chunk_);
    write_(chunk_);
    chunk_.clear();
  }

  const std::function<void(std::string_view)>& write_;
  std::string chunk_;
  Checksum checksum_{kVersion};
};

[[noreturn]] void Damaged(const std::string& what) {
  throw Error(ErrorNumber::PathFileAccessError, "the journal is damaged (" + what + ")");
}

class JournalReader {
 public:
  explicit JournalReader(std::string_view text) : text_(text) {}

  void Expect(std::string_view literal) {
    if (text_.substr(at_, literal.size()) != literal) Damaged(std::string(literal).append(" missing"));
    at_ += literal.size();
  }

  std::uint64_t Number() {
    std::uint64_t number = 0;
    const char* first = text_.data() + at_;
    const auto [end, failure] = std::from_chars(first, text_.data() + text_.size(), number);
    if (failure != std::errc() || end == first) Damaged("a number missing");
    at_ += static_cast<std::size_t>(end - first);
    return number;
  }

  // A count of things each taking at least `bytesEach` of what is left.
  std::size_t Count(std::size_t bytesEach) {
    return Fitting(Number(), bytesEach);
  }
  std::size_t Fitting(std::uint64_t count, std::size_t bytesEach) const {
    if (count > (text_.size() - at_) / bytesEach) Damaged("a count larger than the journal");
    return static_cast<std::size_t>(count);
  }

  std::string_view Name() {
    const std::uint64_t length = Number();
    Expect(":");
    if (length > text_.size() - at_) Damaged("a name cut short");
    const std::string_view name = text_.substr(at_, static_cast<std::size_t>(length));
    at_ += name.size();
    return name;
  }

  char Letter() {
    if (at_ >= text_.size()) Damaged("a step cut short");
    return text_[at_++];
  }

  FileIdentity Identity() {
    FileIdentity identity;
    identity.device = Number();
    Expect(" ");
    identity.inode = Number();
    if (version_ >= 3) {
      Expect(" ");
      identity.birth = Number();
    }
    return identity;
  }

  // The version of the header that comes next, read.
  int Version() {
    Expect(kHeaderStem);
    const std::uint64_t version = Number();
    if (version < 1 || version > kVersion) Damaged("a version unknown");
    Expect("\n");
    version_ = static_cast<int>(version);
    return version_;
  }

  // Reads `literal` when it comes next.
  bool Take(std::string_view literal) {
    if (text_.substr(at_, literal.size()) != literal) return false;
    at_ += literal.size();
    return true;
  }

  // A name of a file of the folder: one that could reach out of it is no name a commit wrote.
  std::string_view BareName() {
    const std::string_view name = Name();
    if (name.empty() || name == "." || name == ".." || !HasNoSeparatorOrNul(name)) {
      Damaged("a name that is not a file's name in its folder");
    }
    return name;
  }

  std::size_t Offset() const { return at_; }
  bool AtEnd() const { return at_ == text_.size(); }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
  int version_ = kVersion;
};

// The checksum line is the last, and covers every byte before it; the version tells how it sums.
void CheckWhole(std::string_view text) {
  const std::size_t end = text.rfind(kEnd);
  if (end == std::string_view::npos || !text.ends_with("\n")) Damaged("cut short");
  Checksum checksum(JournalReader(text).Version());
  checksum.Add(text.substr(0, end));
  if (text.substr(end) != std::string(kEnd) + checksum.Text() + "\n") Damaged("checksum wrong");
}

// Every move runs once: whole, or to its temporary name and later on to its new one, with one
// file at most waiting at a time. Anything else is not a plan a commit could have made.
void CheckSteps(const JournalPlan& plan) {
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::vector<unsigned char> seen(plan.moves.size(), 0);
  std::size_t waiting = kNone;
  for (const RenameStep& step : plan.order.steps) {
    unsigned char& count = seen[step.move];
    switch (step.part) {
      case RenameStep::Part::Whole:
        if (count != 0) Damaged("a file renamed twice");
        count = 2;
        break;
      case RenameStep::Part::ToTemporary:
        if (count != 0 || waiting != kNone) Damaged("a temporary name out of turn");
        count = 1;
        waiting = step.move;
        break;
      case RenameStep::Part::FromTemporary:
        if (count != 1 || waiting != step.move) Damaged("a temporary name out of turn");
        count = 2;
        waiting = kNone;
        break;
    }
  }
  if (waiting != kNone || std::find(seen.begin(), seen.end(), 0) != seen.end() ||
      std::find(seen.begin(), seen.end(), 1) != seen.end()) {
    Damaged("a file without its step");
  }
}

RenameStep ReadStep(JournalReader& reader, JournalPlan& plan) {
  const std::size_t move = reader.Number();
  if (move >= plan.moves.size()) Damaged("a step of no file");
  reader.Expect(" ");
  const char part = reader.Letter();
  if (part == 'W') return {static_cast<std::uint32_t>(move), RenameStep::Part::Whole};
  if (part == 'F') return {static_cast<std::uint32_t>(move), RenameStep::Part::FromTemporary};
  if (part != 'T') Damaged("an unknown step");
  reader.Expect(" ");
  plan.waitingFiles[move] = reader.Identity();
  reader.Expect(" ");
  const std::string_view temporary = reader.BareName();
  plan.order.SetTemporaryName(move, std::string(temporary));
  return {static_cast<std::uint32_t>(move), RenameStep::Part::ToTemporary};
}

// The lines up to the count of moves; the journal's version.
int ReadHead(JournalReader& reader, JournalHead& head) {
  const int version = reader.Version();
  reader.Expect("folder ");
  head.folderPath = reader.Name();
  if (!head.folderPath.starts_with('/') || head.folderPath.find('\0') != std::string::npos) {
    Damaged("a folder that is not a whole path");
  }
  reader.Expect("\nidentity ");
  head.folder = reader.Identity();
  if (version >= 2) {
    reader.Expect("\nvolume ");
    head.volume = reader.Name();
  }
  reader.Expect("\nmoves ");
  head.moveCount = static_cast<std::size_t>(reader.Number());
  return version;
}

std::string JournalPath(const std::string& folder, int attempt) {
  return JoinPath(folder, NumberedName("Batch", static_cast<std::size_t>(attempt)).append(kJournalExtension));
}

Error JournalNotWritten(const Error& cause, const std::string& path, const std::string& folder) {
  return {cause.Number(), "Nothing was renamed, because the journal of the batch could not "
                                                    "be written to " + path + ": " + PlainReason(cause, folder) + "."};
}

// Without a folder for it the commit does not begin, and the message says why.
std::string JournalFolderOrWhyNot(Platform platform) {
  try {
    // Only a folder of the user's alone: whoever can put a journal there can rename the
    // user's files at the next start.
    return PrivateStateFolder(platform);
  } catch (const Error& error) {
    throw Error(error.Number(),
                "Nothing was renamed, because the journal of the batch has no folder to go in. " + error.Description());
  }
}

}  // namespace

void HeldJournal::Remove(FileSystem& files) {
  files.RemoveFile(path);
  file.reset();
}

namespace {

using FileOfMove = std::function<FileIdentity(std::size_t)>;

void Encode(const std::string& folderPath, OpenedFolder& folder, const std::vector<NameMove>& moves,
            const RenameOrder& order, bool identified, const FileOfMove& fileOf,
            const std::function<void(std::string_view)>& write) {
  JournalEncoder journal(write);
  const FileIdentity folderIdentity = folder.Identity();
  journal.Text(kHeaderStem).Number(kVersion).Text("\nfolder ").Name(folderPath).Text("\nidentity ").Identity(folderIdentity);
  journal.Text("\nvolume ").Name(identified ? std::string() : folder.VolumeName()).Text("\n");
  journal.Text("moves ").Number(moves.size()).Text(identified ? " identified\n" : "\n");
  for (std::size_t move = 0; move < moves.size(); ++move) {
    journal.Name(moves[move].from).Text(" ").Name(moves[move].to);
    if (identified) journal.Text(" ").Identity(fileOf(move));
    journal.Text("\n");
  }
  journal.Text("steps ").Number(order.steps.size()).Text("\n");
  for (const RenameStep& step : order.steps) {
    journal.Number(step.move);
    switch (step.part) {
      case RenameStep::Part::Whole: journal.Text(" W\n"); break;
      case RenameStep::Part::FromTemporary: journal.Text(" F\n"); break;
      case RenameStep::Part::ToTemporary:
        journal.Text(" T ").Identity(fileOf(step.move)).Text(" ");
        journal.Name(order.TemporaryNameOf(step.move)).Text("\n");
        break;
    }
  }
  journal.End();
}

}  // namespace

void EncodeJournal(const std::string& folderPath, OpenedFolder& folder, const std::vector<NameMove>& moves,
                   const RenameOrder& order, const std::function<void(std::string_view)>& write,
                   const std::vector<FileIdentity>& files) {
  // A file gone since the check leaves no identity; the rename of it fails anyway.
  const FileOfMove fileOf = [&](std::size_t move) {
    return files.empty() ? folder.Identify(moves[move].from).value_or(FileIdentity{}) : files[move];
  };
  Encode(folderPath, folder, moves, order, folder.KeepsIdentities(), fileOf, write);
}

void EncodeRecord(const std::string& folderPath, OpenedFolder& folder, const std::vector<NameMove>& moves,
                  const std::vector<FileIdentity>& files, const std::function<void(std::string_view)>& write) {
  RenameOrder order;
  order.steps.reserve(moves.size());
  for (std::size_t move = 0; move < moves.size(); ++move) {
    order.steps.push_back({static_cast<std::uint32_t>(move), RenameStep::Part::Whole});
  }
  const FileOfMove fileOf = [&](std::size_t move) { return files[move]; };
  Encode(folderPath, folder, moves, order, !files.empty() && folder.KeepsIdentities(), fileOf, write);
}

// Where identities last one mount, two cards may give two folders one identity: the volume
// must be the journal's too.
bool IsJournalFolder(const JournalHead& head, OpenedFolder& folder, std::string_view openedPath) {
  if (head.volume.empty()) return folder.Identity() == head.folder;
  if (folder.KeepsIdentities() || folder.VolumeName() != head.volume) return false;
  return folder.Identity() == head.folder || openedPath == head.folderPath;
}

// Renamed, never replacing an older one set aside the same way.
std::string SetJournalAside(Platform platform, const std::string& path) {
  const auto [folderPath, name] = SplitPath(path);
  const std::unique_ptr<OpenedFolder> folder = platform.files.OpenFolder(folderPath);
  for (std::size_t attempt = 1;; ++attempt) {
    const std::string kept = NumberedName(name + ".kept", attempt);
    try {
      folder->RenameFile(name, kept);
      return JoinPath(folderPath, kept);
    } catch (const Error& error) {
      if (error.Number() != ErrorNumber::FileAlreadyExists) throw;
    }
  }
}

HeldJournal WriteJournal(Platform platform, const std::string& folderPath, OpenedFolder& folder,
                         const std::vector<NameMove>& moves, const RenameOrder& order,
                         const std::vector<FileIdentity>& files) {
  const std::string journalFolder = JournalFolderOrWhyNot(platform);
  for (int attempt = 1;; ++attempt) {
    const std::string path = JournalPath(journalFolder, attempt);
    try {
      std::unique_ptr<DurableFile> file = platform.files.CreateDurableFile(path);
      EncodeJournal(folderPath, folder, moves, order, [&](std::string_view bytes) { file->Write(bytes); }, files);
      file->Finish();
      return HeldJournal{path, std::move(file)};
    } catch (const Error& error) {
      // Another window's journal holds the name: the next one is tried, up to a bound that
      // only a folder filled with journals reaches.
      if (error.Number() == ErrorNumber::FileAlreadyExists && attempt < kMostJournals) continue;
      throw JournalNotWritten(error, path, journalFolder);
    }
  }
}

JournalHead ReadJournalHead(std::string_view text) {
  JournalReader reader(text);
  JournalHead head;
  ReadHead(reader, head);
  return head;
}

JournalPlan ReadJournal(std::string text) {
  CheckWhole(text);
  JournalPlan plan;
  plan.text = std::make_unique<const std::string>(std::move(text));
  JournalReader reader(*plan.text);
  const int version = ReadHead(reader, plan);
  const std::size_t moves = reader.Fitting(plan.moveCount, 6);
  const bool identified = version >= 2 && reader.Take(" identified");
  reader.Expect("\n");
  plan.moves.reserve(moves);
  if (identified) plan.files.reserve(moves);
  for (std::size_t move = 0; move < moves; ++move) {
    const std::string_view from = reader.BareName();
    reader.Expect(" ");
    const std::string_view to = reader.BareName();
    if (identified) {
      reader.Expect(" ");
      plan.files.push_back(reader.Identity());
    }
    reader.Expect("\n");
    plan.moves.push_back({from, to});
  }
  reader.Expect("steps ");
  const std::size_t steps = reader.Count(4);
  reader.Expect("\n");
  plan.order.steps.reserve(steps);
  for (std::size_t step = 0; step < steps; ++step) {
    plan.order.steps.push_back(ReadStep(reader, plan));
    reader.Expect("\n");
  }
  reader.Expect(kEnd);
  CheckSteps(plan);
  return plan;
}

}  // namespace tolvane
