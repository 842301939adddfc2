#include "core/listed_identities.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <future>
#include <span>
#include <string>

#include "core/checked_batch.h"
#include "platform/linux_file_system.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/temp_folder.h"

namespace tolvane::testing {
namespace {

// The folder the read's thread asks, whose first answer waits until the test lets it go: the
// read tells the rest meanwhile, more runs than it copies names for.
class HeldFolder final : public OpenedFolder {
 public:
  HeldFolder(std::unique_ptr<OpenedFolder> folder, std::future<void> letGo)
      : folder_(std::move(folder)), letGo_(std::move(letGo)) {}
  void RenameFile(std::string_view from, std::string_view to) override { folder_->RenameFile(from, to); }
  std::vector<FolderItem> ReadItems() override { return folder_->ReadItems(); }
  bool SameFile(std::string_view one, std::string_view other) override { return folder_->SameFile(one, other); }
  void DropSecondName(std::string_view name, std::string_view kept) override { folder_->DropSecondName(name, kept); }
  VolumeRules Rules(const std::vector<FolderItem>& items) override { return folder_->Rules(items); }
  bool Holds(std::string_view name) override { return folder_->Holds(name); }
  FileIdentity Identity() override { return folder_->Identity(); }
  std::optional<FileIdentity> Identify(std::string_view name) override {
    if (letGo_.valid()) letGo_.get();
    return folder_->Identify(name);
  }
  void Sync() override { folder_->Sync(); }
  std::unique_ptr<FolderWatch> Watch() override { return folder_->Watch(); }
  bool KeepsIdentities() override { return folder_->KeepsIdentities(); }
  std::string VolumeName() override { return folder_->VolumeName(); }

 private:
  std::unique_ptr<OpenedFolder> folder_;
  std::future<void> letGo_;
};

// A birth stands in a commit's journal for the file the load listed: it is asked of that file
// only, whichever of the read's thread and the commit asks it, and of no item a list leaves out;
// of runs as the read tells them, by names copied while the read goes on or by the read's own
// once it has ended, the last run shorter than the others.
TEST(ListedIdentitiesTest, BirthsAreAskedOfTheFilesTheReadListedOnly) {
  TempFolder folder(TempFolder::Storage::Memory);
  for (const char* name : {"a", "b", ".hidden"}) folder.WriteFile(name);
  for (int file = 0; file < 3000; ++file) folder.WriteFile("f" + std::to_string(file));
  std::filesystem::create_directory(folder.Path("sub"));
  LinuxFileSystem files;
  const auto items = std::make_shared<const std::vector<FolderItem>>(files.ReadFolder(folder.path()));
  // Made before the old "b" goes, so that the new one cannot take its inode number.
  folder.WriteFile("b.new");
  std::filesystem::rename(folder.Path("b.new"), folder.Path("b"));

  std::promise<void> letGo;
  ListedIdentities identities(std::make_unique<HeldFolder>(files.OpenFolder(folder.path()), letGo.get_future()));
  for (std::size_t first = 0; first < items->size(); first += 7) {
    identities.Told(std::span<const FolderItem>(*items).subspan(first, std::min<std::size_t>(7, items->size() - first)));
  }
  letGo.set_value();
  identities.ReadEnded(items);
  const std::unique_ptr<OpenedFolder> commits = files.OpenFolder(folder.path());
  identities.FinishBirths(*commits);

  for (std::size_t item = 0; item < items->size(); ++item) {
    const std::string& name = (*items)[item].name;
    SCOPED_TRACE(name);
    EXPECT_EQ(identities.Inode(item), (*items)[item].inode);
    const bool asked = name == "a" || name.starts_with('f');
    const std::uint64_t expected = asked ? commits->Identify(name)->birth : ListedIdentities::kBirthUnknown;
    EXPECT_EQ(identities.Birth(item), expected) << "\"b\" now holds another file; the others are never listed";
  }
}

// The journal holds every moving file's birth, so that a file made later on a freed inode is
// never taken for the batch's: from the load's asking where it gave them, else asked by the
// commit, and each the birth of the file the move renames: a birth told of another file than
// the one listed is not taken. A load whose path no longer opens the folder for the asking
// still lists it, and leaves the births to the commit; so does one whose path opens another
// folder for the asking.
TEST(ListedIdentitiesTest, TheCommitsIdentitiesHoldEveryMovingFilesBirth) {
  enum class Load { AskedBirths, NotTaken, ToldOfOtherFiles, AskingCouldNotOpen, AskingOpenedAnother };
  for (const Load load : {Load::AskedBirths, Load::NotTaken, Load::ToldOfOtherFiles, Load::AskingCouldNotOpen,
                          Load::AskingOpenedAnother}) {
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
    FaultyFileSystem loads(files);
    if (load == Load::AskingCouldNotOpen) loads.folderNotFoundFromOpening = 2;
    if (load == Load::AskingOpenedAnother) loads.anotherFolderFromOpening = 2;
    FolderListing listing(loads, folder.path());
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
