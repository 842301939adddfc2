#include "core/listed_identities.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/checked_batch.h"
#include "platform/linux_file_system.h"
#include "tests/support/temp_folder.h"

namespace tolvane::testing {
namespace {

// A birth stands in a commit's journal for the file the load listed: it is asked of that file
// only, whichever of the load's thread and the commit asks it, and of no item a list leaves out.
TEST(ListedIdentitiesTest, BirthsAreAskedOfTheFilesTheReadListedOnly) {
  TempFolder folder(TempFolder::Storage::Memory);
  for (const char* name : {"a", "b", ".hidden"}) folder.WriteFile(name);
  std::filesystem::create_directory(folder.Path("sub"));
  LinuxFileSystem files;
  const auto items = std::make_shared<const std::vector<FolderItem>>(files.ReadFolder(folder.path()));
  // Made before the old "b" goes, so that the new one cannot take its inode number.
  folder.WriteFile("b.new");
  std::filesystem::rename(folder.Path("b.new"), folder.Path("b"));

  ListedIdentities identities(*items);
  identities.AskBirths(items, files.OpenFolder(folder.path()));
  const std::unique_ptr<OpenedFolder> commits = files.OpenFolder(folder.path());
  identities.FinishBirths(*commits);

  for (std::size_t item = 0; item < items->size(); ++item) {
    const std::string& name = (*items)[item].name;
    SCOPED_TRACE(name);
    EXPECT_EQ(identities.Inode(item), (*items)[item].inode);
    const std::uint64_t expected = name == "a" ? commits->Identify(name)->birth : ListedIdentities::kBirthUnknown;
    EXPECT_EQ(identities.Birth(item), expected) << "\"b\" now holds another file; the others are never listed";
  }
}

// The journal holds every moving file's birth, so that a file made later on a freed inode is
// never taken for the batch's: from the load's asking where it gave them, else asked by the
// commit, and each the birth of the file the move renames: a birth told of another file than
// the one listed is not taken.
TEST(ListedIdentitiesTest, TheCommitsIdentitiesHoldEveryMovingFilesBirth) {
  enum class Load { AskedBirths, DidNotAsk, NotTaken, ToldOfOtherFiles };
  for (const Load load : {Load::AskedBirths, Load::DidNotAsk, Load::NotTaken, Load::ToldOfOtherFiles}) {
    SCOPED_TRACE(static_cast<int>(load));
    TempFolder folder(TempFolder::Storage::Memory);
    RenameList list;
    for (const char* name : {"c", "a", "b"}) {
      folder.WriteFile(name);
      RenameEntry& entry = list.Add(name);
      entry.Tag = name;
      entry.Text = std::string("new-") + name;
    }
    LinuxFileSystem files;
    FolderListing listing(files, folder.path());
    if (load == Load::AskedBirths) listing.AskBirths();
    CheckedBatch checked(list, files.OpenFolder(folder.path()), folder.path(),
                         load == Load::NotTaken ? nullptr : &listing);
    if (load == Load::ToldOfOtherFiles) {
      for (RenameList::Position position = 1; position <= 3; ++position) {
        const FileIdentity listed = checked.Folder().Identify(list.Item(position).Tag).value();
        checked.KnowIdentity(position, {listed.device, listed.inode + 1000, 1});
      }
    }
    const CommitPlan plan = checked.Plan();
    ASSERT_EQ(plan.files.size(), 3u);
    for (std::size_t move = 0; move < 3; ++move) {
      const FileIdentity file = checked.Folder().Identify(plan.batch.moves[move].from).value();
      if (file.birth == 0) GTEST_SKIP() << "this volume tells no births";
      EXPECT_EQ(plan.files[move].inode, file.inode) << plan.batch.moves[move].from;
      EXPECT_EQ(plan.files[move].birth, file.birth) << plan.batch.moves[move].from;
    }
  }
}

}  // namespace
}  // namespace tolvane::testing
