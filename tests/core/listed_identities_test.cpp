#include "core/listed_identities.h"

#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
}  // namespace tolvane::testing
