#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/rename_order.h"
#include "platform/platform.h"

// The journal of a commit: its whole plan, on disk before the first rename, so that a commit
// cut short (the program killed, the machine off) can be finished or undone at the next start.
//
// The journal is text with every name stored as its length in bytes, ":", and the bytes as
// they are, so that any name reads back exactly, line breaks included:
//   Tolvane batch journal 4
//   folder <name>                  the folder's path
//   identity <identity>            the folder's
//   volume <name>                  what tells the folder's volume, where its identities do not last
//   moves <count>[ identified]
//   <name> <name>[ <identity>]     old and new name of each file, in list order, and which
//                                  file it is where the volume keeps identities ("identified")
//   steps <count>
//   <move> W                       a file renamed at once (moves counted from 0)
//   <move> T <identity> <name>     a file going to its temporary name, and which file it is
//   <move> F                       that file going from its temporary name to its new one
//   end <checksum>                 of every byte before "end", 16 hexadecimal digits: FNV-1a
//                                  over little-endian 8-byte words, each product xor-ed with
//                                  itself shifted right by 32, and the last 1 to 7 bytes one
//                                  at a time
// An identity is "<device> <inode> <birth>", the birth 0 where the volume tells none. Each line
// ends in a line feed. The steps are in the order they run. Journals of earlier versions are
// read as well: version 3 (its checksum FNV-1a a byte at a time, as are those before it),
// version 2 (identities without births) and version 1 (without the volume and the files'
// identities); the identities of the last two match a file of any birth.
namespace tolvane {

// The lines of a journal before its moves: where the batch was made, and how large it is.
struct JournalHead {
  std::string folderPath;
  FileIdentity folder;
  std::string volume;  // empty where nothing tells the volume
  std::size_t moveCount = 0;
};

// A journal read back: the plan as the commit ran it. The moves view the journal's text.
struct JournalPlan : JournalHead {
  std::vector<NameMove> moves;
  // By move: the file that moves, where the volume keeps identities; empty elsewhere.
  std::vector<FileIdentity> files;
  RenameOrder order;
  // By move sent to a temporary name: the file that goes there, to tell a cycle of names
  // that has not begun from one that has ended, as both show the same names.
  std::unordered_map<std::size_t, FileIdentity> waitingFiles;
  std::unique_ptr<const std::string> text;
};

inline constexpr std::string_view kJournalExtension = ".journal";
// A journal larger than this is no journal a commit wrote: a million files take some 100 MB.
inline constexpr std::uint64_t kLargestJournal = std::uint64_t{1} << 30;

// A journal on disk, locked while a commit or a recovery works on its batch.
struct HeldJournal {
  std::string path;
  std::unique_ptr<LockedFile> file;

  // Once the batch has ended and its report is written.
  void Remove(FileSystem& files);
};

// Whether `folder`, opened from `openedPath`, is the folder the journal was written for: the
// same folder by identity, or, on a volume whose folders get new identities each time it is
// mounted (a memory card), on the same volume, the same folder or the folder of the same path.
bool IsJournalFolder(const JournalHead& head, OpenedFolder& folder, std::string_view openedPath);

// Writes the plan of a commit in `folder` (opened from `folderPath`) to a new journal of the
// journal folder and makes it durable. When it cannot, raises an Error that says in plain
// words that nothing was renamed and why.
// `files`, by move, are the moving files as the folder listed them, where its volume keeps
// identities; when none are given there, each is looked up in the folder.
HeldJournal WriteJournal(Platform platform, const std::string& folderPath, OpenedFolder& folder,
                         const std::vector<NameMove>& moves, const RenameOrder& order,
                         const std::vector<FileIdentity>& files = {});

// The journal's text; the writer hands it on in pieces as they fill up.
void EncodeJournal(const std::string& folderPath, OpenedFolder& folder, const std::vector<NameMove>& moves,
                   const RenameOrder& order, const std::function<void(std::string_view)>& write,
                   const std::vector<FileIdentity>& files = {});

// The same text for moves already made, whose files are `files` (by move, empty where the
// folder's volume keeps no identities). Its steps are the moves in turn, whole: a record of
// what was renamed, never a plan to run.
void EncodeRecord(const std::string& folderPath, OpenedFolder& folder, const std::vector<NameMove>& moves,
                  const std::vector<FileIdentity>& files, const std::function<void(std::string_view)>& write);

// Renames a journal that is not to be used again to "<name>.kept" (numbered when that is
// taken), so that nothing offers it any more while its names stay there to read; the new path.
std::string SetJournalAside(Platform platform, const std::string& path);

// Reads the head of a journal from its first bytes, without checking the whole: enough to
// tell which folder it is for, never enough to rename anything.
JournalHead ReadJournalHead(std::string_view text);
// The bytes that hold a journal's head: two paths at most (the folder's and the volume's
// name) and a few numbers.
inline constexpr std::size_t kJournalHeadBytes = 16 * 1024;

// Reads a journal back; one cut short, altered or not made by Tolvane raises an Error, and so
// does one whose names could reach out of its folder (empty, ".", "..", or holding "/" or NUL).
JournalPlan ReadJournal(std::string text);

}  // namespace tolvane
