// The journal's text: names of any bytes read back exactly, and a journal cut short, altered
// or holding no plan a commit could make is refused. And the order in which a commit stores
// its journal, renames, flushes and reports.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <map>

#include "core/batch_journal.h"
#include "core/batch_record.h"
#include "core/batch_undo.h"
#include "core/numbered_name.h"
#include "core/preview.h"
#include "tests/support/fake_platform.h"
#include "tests/support/faulty_file_system.h"

namespace tolvane::testing {
namespace {

using Part = RenameStep::Part;

// Every byte but "/" and NUL, line breaks, digits and ":" where a length could be misread.
std::string EveryNameByte() {
  std::string name = "12:3 \n\r";
  for (int byte = 1; byte < 256; ++byte) {
    if (byte != '/') name.push_back(static_cast<char>(byte));
  }
  return name;
}

struct JournalCase {
  std::vector<std::pair<std::string, std::string>> names;  // each move's old and new name
  std::vector<RenameStep> steps;
  std::map<std::size_t, std::string> temporary;  // by move
};

// The journal a commit in /photos would write, the folder's files made as the moves' old names.
std::string Encoded(FakeFileSystem& files, const JournalCase& c, std::vector<NameMove>& moves) {
  files.AddFolder("/photos");
  for (const auto& [from, to] : c.names) {
    files.AddFile("/photos/" + from);
    moves.push_back({from, to});
  }
  RenameOrder order;
  order.steps = c.steps;
  for (const auto& [move, name] : c.temporary) order.SetTemporaryName(move, name);
  std::string text;
  EncodeJournal("/photos", *files.OpenFolder("/photos"), moves, order, [&](std::string_view bytes) { text += bytes; });
  return text;
}

const JournalCase kCycleAndChain = {
    {{"a", EveryNameByte()}, {EveryNameByte(), "a"}, {"x\ny", "z"}},
    {{2, Part::Whole}, {0, Part::ToTemporary}, {1, Part::Whole}, {0, Part::FromTemporary}},
    {{0, "tolvane-moving~a"}},
};

TEST(BatchJournalTest, ReadsBackEveryNameStepAndIdentity) {
  FakeFileSystem files;
  std::vector<NameMove> moves;
  const std::string text = Encoded(files, kCycleAndChain, moves);
  const std::unique_ptr<OpenedFolder> folder = files.OpenFolder("/photos");

  const JournalPlan plan = ReadJournal(text);
  EXPECT_EQ(plan.folderPath, "/photos");
  EXPECT_EQ(plan.folder, folder->Identity());
  ASSERT_EQ(plan.moves.size(), moves.size());
  for (std::size_t move = 0; move < moves.size(); ++move) {
    EXPECT_EQ(plan.moves[move].from, moves[move].from);
    EXPECT_EQ(plan.moves[move].to, moves[move].to);
  }
  ASSERT_EQ(plan.order.steps.size(), kCycleAndChain.steps.size());
  for (std::size_t step = 0; step < plan.order.steps.size(); ++step) {
    EXPECT_EQ(plan.order.steps[step].move, kCycleAndChain.steps[step].move);
    EXPECT_EQ(plan.order.steps[step].part, kCycleAndChain.steps[step].part);
  }
  EXPECT_EQ(plan.order.TemporaryNameOf(0), "tolvane-moving~a");
  EXPECT_EQ(plan.waitingFiles.at(0), folder->Identify("a"));
  EXPECT_TRUE(text.starts_with("Tolvane batch journal 4\nfolder 7:/photos\nidentity ")) << text;
  ASSERT_EQ(plan.files.size(), moves.size()) << "the fake's volume keeps identities";
  for (std::size_t move = 0; move < moves.size(); ++move) EXPECT_EQ(plan.files[move], folder->Identify(moves[move].from));
}

// Journals and records of every version read on, each summed as it was written: those before
// births were kept (version 2), or before the volume and the files' identities were (version
// 1), match a file of any birth; version 3 summed a byte at a time, version 4 (written now) by
// words. The checksums were worked out apart from this code.
TEST(BatchJournalTest, ReadsJournalsOfEveryVersion) {
  constexpr FileIdentity kBorn{1, 2, 1796715453000000000};
  const std::string identified = "volume 0:\nmoves 1 identified\n1:a 1:b 1 2 1796715453000000000\nsteps 1\n0 W\n";
  const JournalPlan plans[] = {
      ReadJournal("Tolvane batch journal 1\nfolder 7:/photos\nidentity 1 2\nmoves 1\n1:a 1:b\nsteps 1\n0 W\n"
                  "end d4e6194426d0542b\n"),
      ReadJournal("Tolvane batch journal 2\nfolder 7:/photos\nidentity 1 2\nvolume 0:\nmoves 1 identified\n1:a 1:b 1 2\n"
                  "steps 1\n0 W\nend ffd7424be15a5b66\n"),
      ReadJournal("Tolvane batch journal 3\nfolder 7:/photos\nidentity 1 2 1796715453000000000\n" + identified +
                  "end 6906f05241f11f85\n"),
      ReadJournal("Tolvane batch journal 4\nfolder 7:/photos\nidentity 1 2 1796715453000000000\n" + identified +
                  "end a436c7f75b80c5db\n"),
  };
  for (const JournalPlan& plan : plans) {
    EXPECT_EQ(plan.folder, kBorn);
    EXPECT_EQ(plan.moves.at(0).from, "a");
    EXPECT_EQ(plan.moves.at(0).to, "b");
  }
  for (std::size_t version = 2; version <= 4; ++version) {
    EXPECT_EQ(plans[version - 1].files, std::vector<FileIdentity>{kBorn}) << "version " << version;
  }
}

// A large journal is written in pieces whose ends fall within the checksum's words; read back
// whole, it sums alike.
TEST(BatchJournalTest, JournalWrittenInPiecesReadsBackWhole) {
  FakeFileSystem files;
  files.AddFolder("/photos");
  std::vector<std::string> names;
  for (int file = 0; file < 8000; ++file) names.push_back(std::string(file % 7 + 1, 'n') + std::to_string(file));
  std::vector<NameMove> moves;
  RenameOrder order;
  for (std::size_t move = 0; move + 1 < names.size(); move += 2) {
    files.AddFile("/photos/" + names[move]);
    moves.push_back({names[move], names[move + 1]});
    order.steps.push_back({static_cast<std::uint32_t>(moves.size() - 1), Part::Whole});
  }
  std::string text;
  std::vector<std::size_t> pieces;
  EncodeJournal("/photos", *files.OpenFolder("/photos"), moves, order, [&](std::string_view bytes) {
    text += bytes;
    pieces.push_back(bytes.size());
  });
  ASSERT_GT(pieces.size(), 2u);
  EXPECT_NE(pieces.front() % 8, 0u) << "a piece that ends within a word";
  EXPECT_EQ(ReadJournal(text).moves.size(), moves.size());
}

TEST(BatchJournalTest, JournalCutShortOrAlteredIsRefused) {
  FakeFileSystem files;
  std::vector<NameMove> moves;
  const std::string text = Encoded(files, kCycleAndChain, moves);
  for (std::size_t length = 0; length < text.size(); ++length) {
    EXPECT_THROW(ReadJournal(text.substr(0, length)), Error) << "cut to " << length << " bytes";
  }
  for (std::size_t at = 0; at < text.size(); at += 7) {
    std::string altered = text;
    altered[at] = static_cast<char>(altered[at] ^ 0x20);
    EXPECT_THROW(ReadJournal(altered), Error) << "byte " << at << " altered";
  }
  EXPECT_THROW(ReadJournal(text + "more"), Error);
}

TEST(BatchJournalTest, StepsNoCommitCouldMakeAreRefused) {
  const std::vector<std::pair<std::string, JournalCase>> cases = {
      {"a file renamed twice", {{{"a", "b"}}, {{0, Part::Whole}, {0, Part::Whole}}, {}}},
      {"a file never renamed", {{{"a", "b"}, {"c", "d"}}, {{0, Part::Whole}}, {}}},
      {"no way back from a temporary name", {{{"a", "b"}}, {{0, Part::ToTemporary}}, {{0, "t"}}}},
      {"back from a temporary name it never took", {{{"a", "b"}}, {{0, Part::FromTemporary}}, {}}},
      {"two files waiting at once",
       {{{"a", "b"}, {"b", "a"}},
        {{0, Part::ToTemporary}, {1, Part::ToTemporary}, {1, Part::FromTemporary}, {0, Part::FromTemporary}},
        {{0, "t"}, {1, "u"}}}},
      {"an empty temporary name", {{{"a", "b"}}, {{0, Part::ToTemporary}, {0, Part::FromTemporary}}, {{0, ""}}}},
      {"a step of no file", {{{"a", "b"}}, {{0, Part::Whole}, {1, Part::Whole}}, {}}},
  };
  for (const auto& [label, c] : cases) {
    FakeFileSystem files;
    std::vector<NameMove> moves;
    EXPECT_THROW(ReadJournal(Encoded(files, c, moves)), Error) << label;
  }
}

// The journal is durable before the first rename, the renames before the commit says it is
// done, and the journal becomes the record (or goes, when stopped) only once the report is written. A journal
// name that another window's commit holds is left to it.
TEST(BatchJournalTest, CommitStoresItsJournalFirstAndKeepsOrRemovesItAfterTheReport) {
  const struct {
    bool stopped;
    bool nameTaken;
    std::string journal;
  } cases[] = {
      {false, false, "/home/user/.local/state/tolvane/Batch.journal"},
      {true, false, "/home/user/.local/state/tolvane/Batch.journal"},
      {false, true, "/home/user/.local/state/tolvane/Batch-2.journal"},
  };
  for (const auto& [stopped, nameTaken, journal] : cases) {
    SCOPED_TRACE(journal + (stopped ? ", stopped" : ""));
    FakePlatform fake;
    FaultyFileSystem files(fake.files);
    if (stopped) files.FailRename(2, EACCES);
    fake.files.AddFolder("/opt/tolvane/log");
    if (nameTaken) fake.files.AddFile("/home/user/.local/state/tolvane/Batch.journal.part", "another window's");
    fake.files.AddFile("/photos/a");
    fake.files.AddFile("/photos/b");
    RenameList list;
    list.Add("b").Tag = "a";
    list.Add("c").Tag = "b";
    std::vector<std::string> lastOnDiskAtEachBox;
    fake.window.onMessage = [&](const FakeWindow::Message&) {
      lastOnDiskAtEachBox.push_back(fake.files.diskLog.empty() ? "" : fake.files.diskLog.back());
    };
    Preview(list).Rename(Platform{files, fake.system, fake.window}, "/photos");

    std::vector<std::string> expected = {"durable " + journal, "rename /photos/b /photos/c"};
    if (!stopped) expected.push_back("rename /photos/a /photos/b");
    expected.push_back("sync /photos");
    // A finished batch keeps its journal as its record; a stopped one's goes.
    expected.push_back(stopped ? "remove " + journal
                               : "rename " + journal + " /home/user/.local/state/tolvane/Batch-1-20261206-140509.record");
    EXPECT_EQ(fake.files.diskLog, expected);
    EXPECT_EQ(lastOnDiskAtEachBox, (std::vector<std::string>{"", "sync /photos"}))
        << "the renames are flushed before the commit's message";
    EXPECT_TRUE(fake.files.Exists("/opt/tolvane/log/Report_06122026140509.txt"));
  }
}

// Journals and records rename the user's files, so nothing of another user's is taken for
// theirs: a state folder of another's takes no journal and offers no record, a newer record of
// another's is passed over, a record that became another's once found is not read, and old
// records of another's are never removed with the user's own.
TEST(BatchRecordTest, NothingOfAnotherUsersIsTakenOrRemoved) {
  const std::string state = std::string(FakePlatform::kFakeStateHome) + "/tolvane";
  const std::string record = state + "/Batch-1-20261206-140509.record";
  const struct {
    const char* what;
    std::function<void(FakePlatform&)> beforeCommit;
    std::function<void(FakePlatform&)> beforeUndo;
    const char* nameAtEnd;
    std::string said;  // a part of what was said
  } cases[] = {
      {"the state folder another's at the commit", [&](FakePlatform& f) { f.files.othersFiles.insert(state); },
       [](FakePlatform&) {}, "a", "Nothing was renamed, because the journal of the batch has no folder to go in"},
      {"the state folder another's at the undo", [](FakePlatform&) {},
       [&](FakePlatform& f) { f.files.othersFiles.insert(state); }, "b", "There is no rename in /photos to undo."},
      {"a newer record of another's for the folder", [](FakePlatform&) {},
       [&](FakePlatform& f) {
         const std::string planted = state + "/Batch-2-20261206-140510.record";
         f.files.AddFile(planted, f.files.Content(record));
         f.files.othersFiles.insert(planted);
       },
       "a", "File rename completed"},
      {"the record another's once found", [](FakePlatform&) {},
       [&](FakePlatform& f) {
         f.window.onMessage = [&](const FakeWindow::Message&) { f.files.othersFiles.insert(record); };
       },
       "b", "The last rename in /photos cannot be undone: its record " + record + " cannot be used: it is not yours."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform fake;
    fake.files.AddFolder("/opt/tolvane/log");
    fake.files.AddFile("/photos/a");
    std::vector<std::string> othersRecords;
    for (std::size_t old = 1; old <= kRecordsKept; ++old) {
      othersRecords.push_back(state + "/" + NumberedName("Batch-20200101-000000", old) + ".record");
      fake.files.AddFile(othersRecords.back(), "theirs");
    }
    fake.files.othersFiles.insert(othersRecords.begin(), othersRecords.end());
    c.beforeCommit(fake);
    RenameList list;
    list.Add("b").Tag = "a";
    std::string said;
    try {
      Preview(list).Rename(fake.platform(), "/photos");
    } catch (const Error& error) {
      said = error.Description();
    }
    c.beforeUndo(fake);
    fake.window.messages.clear();
    UndoLastBatch(fake.platform(), "/photos");
    for (const FakeWindow::Message& message : fake.window.messages) said += "\n" + message.prompt;

    EXPECT_EQ(fake.files.FilesIn("/photos"), (std::map<std::string, std::string>{{c.nameAtEnd, ""}}));
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    for (const std::string& old : othersRecords) EXPECT_TRUE(fake.files.Exists(old)) << old;
  }
}

}  // namespace
}  // namespace tolvane::testing
