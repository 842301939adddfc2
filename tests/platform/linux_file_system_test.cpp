#include "platform/linux_file_system.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <stdexcept>
#include <span>
#include <string>
#include <vector>

#include "platform/file_enumeration.h"
#include "platform/linux_volume_rules.h"
#include "platform/no_replace_rename.h"
#include "platform/plain_file_open.h"
#include "tests/support/loop_volume.h"
#include "tests/support/scripted_calls.h"
#include "tests/support/temp_folder.h"

namespace tolvane {
namespace {

using testing::ScriptedCalls;
using testing::TempFolder;
using Contents = std::map<std::string, std::string>;

// A folder holding every kind of name the enumeration must keep or leave out.
class FolderOfEveryKind : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"IMG_10.jpg", "IMG_2.jpg", "img_1.jpg", "b\xFF.txt", "new\nline.txt", ".hidden"}) {
      folder.WriteFile(name, name);
    }
    ASSERT_EQ(mkdir(folder.Path("sub").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo(folder.Path("pipe").c_str(), 0644), 0);
    ASSERT_EQ(symlink("IMG_2.jpg", folder.Path("link_to_file").c_str()), 0);
    ASSERT_EQ(symlink("sub", folder.Path("link_to_folder").c_str()), 0);
    ASSERT_EQ(symlink("missing", folder.Path("dangling").c_str()), 0);
  }

  TempFolder folder;
  LinuxFileSystem files;
};

std::vector<std::pair<std::string, FolderItemKind>> Sorted(std::vector<FolderItem> items) {
  std::sort(items.begin(), items.end(), [](const FolderItem& a, const FolderItem& b) { return a.name < b.name; });
  std::vector<std::pair<std::string, FolderItemKind>> seen;
  for (const FolderItem& item : items) seen.emplace_back(item.name, item.kind);
  return seen;
}

// By the folder's path, and through an opened folder (twice, each read from the start).
TEST_F(FolderOfEveryKind, ReadFolderTellsEachNamesKind) {
  const auto opened = files.OpenFolder(folder.path());
  const std::vector<std::pair<std::string, FolderItemKind>> expected{
      {".hidden", FolderItemKind::File},         {"IMG_10.jpg", FolderItemKind::File},
      {"IMG_2.jpg", FolderItemKind::File},       {"b\xFF.txt", FolderItemKind::File},
      {"dangling", FolderItemKind::Other},       {"img_1.jpg", FolderItemKind::File},
      {"link_to_file", FolderItemKind::File},    {"link_to_folder", FolderItemKind::Directory},
      {"new\nline.txt", FolderItemKind::File},   {"pipe", FolderItemKind::Other},
      {"sub", FolderItemKind::Directory}};
  EXPECT_EQ(Sorted(files.ReadFolder(folder.path() + "/")), expected);
  EXPECT_EQ(Sorted(opened->ReadItems()), expected);
  EXPECT_EQ(Sorted(opened->ReadItems()), expected);
}

// A large folder's read tells its items in runs as it goes: every item once, in the order and
// at the place the read gives it, the last run at the read's end.
TEST(ReadFolderTest, ALargeFolderIsToldInRunsAsItIsRead) {
  TempFolder folder(TempFolder::Storage::Memory);
  for (int file = 0; file < 5000; ++file) folder.WriteFile("f" + std::to_string(file));
  const auto opened = LinuxFileSystem().OpenFolder(folder.path());
  std::vector<std::string> told;
  std::size_t runs = 0;
  const std::vector<FolderItem> items = opened->ReadItemsInRuns([&](std::span<const FolderItem> run, std::size_t first) {
    EXPECT_EQ(first, told.size());
    for (const FolderItem& item : run) told.push_back(item.name);
    ++runs;
  });
  std::vector<std::string> read;
  for (const FolderItem& item : items) read.push_back(item.name);
  EXPECT_EQ(told, read);
  EXPECT_EQ(read.size(), 5000u);
  EXPECT_GT(runs, 1u);
}

TEST_F(FolderOfEveryKind, EnumerationListsVisibleFilesInNaturalOrder) {
  const std::vector<FolderItem> items = files.ReadFolder(folder.path() + "/");
  FileEnumeration enumeration(items);
  std::vector<std::string> names;
  for (std::size_t i = 0; i < enumeration.Count(); ++i) names.push_back(enumeration.Name(i));
  const std::vector<std::string> expected{"b\xFF.txt", "img_1.jpg", "IMG_2.jpg", "IMG_10.jpg", "link_to_file",
                                          "new\nline.txt"};
  EXPECT_EQ(names, expected);
}

TEST(ReadFolderTest, AFolderThatCannotBeReadRaisesWithTheSystemsReason) {
  TempFolder folder;
  folder.WriteFile("plain.txt");
  LinuxFileSystem files;
  struct Case {
    std::string path;
    ErrorNumber number;
    std::string reason;
  };
  for (const Case& c : {Case{folder.Path("missing") + "/", ErrorNumber::FileNotFound, "No such file or directory"},
                        Case{folder.Path("plain.txt") + "/", ErrorNumber::PathNotFound, "Not a directory"}}) {
    try {
      files.ReadFolder(c.path);
      ADD_FAILURE() << c.path << " was read";
    } catch (const Error& error) {
      EXPECT_EQ(error.Number(), c.number);
      EXPECT_NE(error.Description().find(c.path), std::string::npos) << error.Description();
      EXPECT_NE(error.Description().find(c.reason), std::string::npos) << error.Description();
    }
  }
}

TEST(ReadFolderTest, AFolderWithoutReadPermissionRaises) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempFolder folder;
  ASSERT_EQ(mkdir(folder.Path("locked").c_str(), 0), 0);
  LinuxFileSystem files;
  try {
    files.ReadFolder(folder.Path("locked") + "/");
    ADD_FAILURE() << "the locked folder was read";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), ErrorNumber::PermissionDenied);
  }
}

// The number of the error the action raised; ErrorNumber{} when it raised none.
ErrorNumber RaisedNumber(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.Number();
  }
  return ErrorNumber{};
}

// A descriptor of a folder, as an opened folder holds it.
class FolderDescriptor {
 public:
  explicit FolderDescriptor(const std::string& path) : fd_(open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0) throw std::runtime_error("cannot open " + path);
  }
  ~FolderDescriptor() { close(fd_); }
  FolderDescriptor(const FolderDescriptor&) = delete;
  FolderDescriptor& operator=(const FolderDescriptor&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// Each way of renaming must refuse to replace, whichever the file system leaves to use.
struct RenameWay {
  const char* name;
  void (*rename)(const no_replace_rename::NamesInFolder&);
};

class NoReplaceRenameTest : public ::testing::TestWithParam<RenameWay> {
 protected:
  void Rename(const char* oldName, const char* newName) {
    const FolderDescriptor descriptor(folder.path());
    GetParam().rename({descriptor.fd(), folder.path(), oldName, newName});
  }

  TempFolder folder;
};

TEST_P(NoReplaceRenameTest, RenamesOntoAFreeName) {
  folder.WriteFile("old.jpg", "picture");
  Rename("old.jpg", "new.jpg");
  EXPECT_EQ(folder.Contents(), (std::map<std::string, std::string>{{"new.jpg", "picture"}}));
}

TEST_P(NoReplaceRenameTest, NeverReplacesAnExistingFile) {
  folder.WriteFile("a.jpg", "first");
  folder.WriteFile("b.jpg", "second");
  try {
    Rename("a.jpg", "b.jpg");
    ADD_FAILURE() << "b.jpg was replaced";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), ErrorNumber::FileAlreadyExists);
    EXPECT_EQ(error.Description(), "File already exists: " + folder.Path("b.jpg") + " (File exists) while renaming " +
                                       folder.Path("a.jpg") + " to " + folder.Path("b.jpg"));
  }
  EXPECT_EQ(folder.Contents(), (std::map<std::string, std::string>{{"a.jpg", "first"}, {"b.jpg", "second"}}));
}

TEST_P(NoReplaceRenameTest, AMissingFileIsNotFound) {
  EXPECT_EQ(RaisedNumber([&] { Rename("gone.jpg", "new.jpg"); }), ErrorNumber::FileNotFound);
  EXPECT_TRUE(folder.Contents().empty());
}

INSTANTIATE_TEST_SUITE_P(Ways, NoReplaceRenameTest,
                         ::testing::Values(RenameWay{"Rename", no_replace_rename::Rename},
                                           RenameWay{"ByLink", no_replace_rename::ByLink},
                                           RenameWay{"AfterCheck", no_replace_rename::AfterCheck}),
                         [](const ::testing::TestParamInfo<RenameWay>& way) { return std::string(way.param.name); });

// Which way an opened folder renames "a" to "b", told by the system calls it makes when some
// of them fail as on file systems without RENAME_NOREPLACE or hard links, or in sticky folders.
struct SwitchCase {
  const char* what;
  std::function<void(ScriptedCalls&)> script;
  std::vector<std::string> made;
  Contents after;
  ErrorNumber raised = ErrorNumber{};  // none
  std::string told = {};               // the end of the error's description
  bool sameFile = false;               // "a" and "b" then lead to one file
};

TEST(RenameSwitchTest, EachRefusalLeadsToTheNextWayAndNoneLeavesAFileUnsaid) {
  const auto noReplace = [](int errnum) { return [errnum](ScriptedCalls& c) { c.renameat2.after = errnum; }; };
  const auto noLinks = [](int errnum) {
    return [errnum](ScriptedCalls& c) {
      c.renameat2.after = EINVAL;
      c.linkat.after = errnum;
    };
  };
  const std::vector<std::string> byRename{"renameat2 a b"};
  const std::vector<std::string> byLink{"renameat2 a b", "linkat a b", "unlinkat a"};
  const std::vector<std::string> afterCheck{"renameat2 a b", "linkat a b", "renameat a b"};
  const Contents renamed{{"b", "A"}};
  const Contents untouched{{"a", "A"}};
  const std::vector<SwitchCase> cases{
      {"renameat2", [](ScriptedCalls&) {}, byRename, renamed},
      {"EINVAL: link", noReplace(EINVAL), byLink, renamed},
      {"ENOSYS: link", noReplace(ENOSYS), byLink, renamed},
      {"EOPNOTSUPP: link", noReplace(EOPNOTSUPP), byLink, renamed},
      {"EACCES is no refusal of the way", noReplace(EACCES), byRename, untouched, ErrorNumber::PermissionDenied},
      {"no links (EPERM): check", noLinks(EPERM), afterCheck, renamed},
      {"no links (EMLINK): check", noLinks(EMLINK), afterCheck, renamed},
      {"no links (EOPNOTSUPP): check", noLinks(EOPNOTSUPP), afterCheck, renamed},
      {"no links, new name taken",
       [&](ScriptedCalls& c) {
         noLinks(EPERM)(c);
         c.renameat.after = EIO;  // never reached
       },
       {"renameat2 a b", "linkat a b"}, {{"a", "A"}, {"b", "B"}}, ErrorNumber::FileAlreadyExists},
      {"old name stays, new one removed again",
       [&](ScriptedCalls& c) {
         noReplace(EINVAL)(c);
         c.unlinkat.next = {EBUSY};
       },
       {"renameat2 a b", "linkat a b", "unlinkat a", "unlinkat b"}, untouched, ErrorNumber::PathFileAccessError,
       "(Device or resource busy) while renaming <a> to <b>"},
      {"neither name can go",
       [&](ScriptedCalls& c) {
         noReplace(EINVAL)(c);
         c.unlinkat.after = EPERM;
       },
       {"renameat2 a b", "linkat a b", "unlinkat a", "unlinkat b"}, {{"a", "A"}, {"b", "A"}},
       ErrorNumber::PermissionDenied,
       "while renaming <a> to <b>; the file <a> now also has the name <b>, which could not be removed again "
       "(Operation not permitted)",
       true},
      {"sticky folder, another's file",
       [&](ScriptedCalls& c) {
         noReplace(EINVAL)(c);
         c.sticky = testing::StickyFolder{1000, 1, 1001};
       },
       byRename, untouched, ErrorNumber::PermissionDenied, "(Operation not permitted) while renaming <a> to <b>"},
      {"sticky folder, own file",
       [&](ScriptedCalls& c) {
         noReplace(EINVAL)(c);
         c.sticky = testing::StickyFolder{1000, 1, 1000};
       },
       byLink, renamed},
      {"sticky folder, own folder",
       [&](ScriptedCalls& c) {
         noReplace(EINVAL)(c);
         c.sticky = testing::StickyFolder{1000, 1000, 1001};
       },
       byLink, renamed},
  };
  for (const SwitchCase& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    folder.WriteFile("a", "A");
    if (c.raised == ErrorNumber::FileAlreadyExists) folder.WriteFile("b", "B");
    ScriptedCalls calls;
    c.script(calls);
    const auto opened = LinuxFileSystem(ScriptedCalls::Table()).OpenFolder(folder.path());
    try {
      opened->RenameFile("a", "b");
      EXPECT_EQ(c.raised, ErrorNumber{});
    } catch (const Error& error) {
      EXPECT_EQ(error.Number(), c.raised) << error.Description();
      std::string told = c.told;
      for (const auto& [mark, name] : {std::pair{"<a>", "a"}, std::pair{"<b>", "b"}}) {
        for (std::size_t at; (at = told.find(mark)) != std::string::npos;) told.replace(at, 3, folder.Path(name));
      }
      EXPECT_TRUE(error.Description().ends_with(told)) << error.Description();
    }
    EXPECT_EQ(calls.made, c.made);
    EXPECT_EQ(folder.Contents(), c.after);
    EXPECT_EQ(opened->SameFile("a", "b"), c.sameFile);
  }
}

TEST(OpenedFolderTest, RenamesByteExactNamesThroughTheFileSystem) {
  TempFolder folder;
  folder.WriteFile("b\xFF\n.jpg", "data");
  const auto opened = LinuxFileSystem().OpenFolder(folder.path());
  opened->RenameFile("b\xFF\n.jpg", "01\xFE.jpg");
  EXPECT_EQ(folder.Contents(), (std::map<std::string, std::string>{{"01\xFE.jpg", "data"}}));
  EXPECT_EQ(RaisedNumber([&] { opened->RenameFile("01\xFE.jpg", "01\xFE.jpg"); }), ErrorNumber{});
  EXPECT_EQ(folder.Contents(), (std::map<std::string, std::string>{{"01\xFE.jpg", "data"}}));
}

// The kernel's answer on a volume that keeps case; the folding volumes are tried on loop
// devices by the commit's volume tests.
TEST(OpenedFolderTest, AFolderOnAVolumeThatKeepsCaseComparesBytesAndHoldsOnlyItsOwnNames) {
  TempFolder folder;
  folder.WriteFile("Photo.jpg");
  ASSERT_EQ(mkdir(folder.Path("sub").c_str(), 0755), 0);
  folder.WriteFile("sub/inner.jpg");
  LinuxFileSystem files;
  const auto opened = files.OpenFolder(folder.path());
  EXPECT_EQ(opened->Rules(files.ReadFolder(folder.path())), (VolumeRules{false, NameRules::Linux}));
  EXPECT_EQ(opened->Rules({}), (VolumeRules{false, NameRules::Linux})) << "judged by its type";
  EXPECT_TRUE(opened->Holds("Photo.jpg"));
  EXPECT_FALSE(opened->Holds("PHOTO.JPG"));
  EXPECT_FALSE(opened->Holds("sub/inner.jpg")) << "a name that is not bare is no item's";
  EXPECT_FALSE(opened->Holds(""));
}

// statfs's magic numbers, as <linux/magic.h> has them where it does; FUSE drivers go by their
// type in the mount table, "fuseblk" by the file system its device holds.
TEST(RulesOfFileSystemTest, WindowsAndNetworkVolumesAreKnownByTheirMagicNumberOrTheirTypeInTheMountTable) {
  using enum NameRules;
  constexpr std::uint32_t kNtfs3 = 0x7366746e;  // "ntfs"
  constexpr std::uint32_t kNtfs = 0x5346544e;   // "NTFS", the older driver
  const struct {
    std::uint32_t magic;
    const char* fuseType;
    NameRules names;
    CaseTable caseTable = CaseTable::Unicode;
  } cases[] = {
      {MSDOS_SUPER_MAGIC, "", Fat},       {EXFAT_SUPER_MAGIC, "", Fat, CaseTable::Exfat}, {kNtfs3, "", Unicode},
      {kNtfs, "", Unicode},               {CIFS_SUPER_MAGIC, "", WindowsShare},  {SMB2_SUPER_MAGIC, "", WindowsShare},
      {SMB_SUPER_MAGIC, "", WindowsShare}, {EXT4_SUPER_MAGIC, "", Linux},         {TMPFS_MAGIC, "fuse.fusefat", Linux},
      {FUSE_SUPER_MAGIC, "fuseblk", Unicode},      {FUSE_SUPER_MAGIC, "fuseblk.exfat", Unicode, CaseTable::Exfat},
      {FUSE_SUPER_MAGIC, "fuseblk.ntfs", Unicode}, {FUSE_SUPER_MAGIC, "fuse.exfat", Unicode, CaseTable::Exfat},
      {FUSE_SUPER_MAGIC, "fuse.ntfs-3g", Unicode}, {FUSE_SUPER_MAGIC, "fuse.fusefat", FuseFat},
      {FUSE_SUPER_MAGIC, "fuse.smbnetfs", WindowsShare}, {FUSE_SUPER_MAGIC, "fuse.sshfs", Linux},
      {FUSE_SUPER_MAGIC, "fuse.gvfsd-fuse", Linux},      {FUSE_SUPER_MAGIC, "fuse", Linux},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RulesOfFileSystem(c.magic, c.fuseType), (VolumeRules{c.names != Linux, c.names, c.caseTable}))
        << std::hex << c.magic << " " << c.fuseType;
  }
}

TEST(OpenedFolderTest, RenamingAMissingFileToItsOwnNameIsNotFound) {
  TempFolder folder;
  const auto opened = LinuxFileSystem().OpenFolder(folder.path());
  EXPECT_EQ(RaisedNumber([&] { opened->RenameFile("gone", "gone"); }), ErrorNumber::FileNotFound);
}

TEST(OpenedFolderTest, AFolderThatIsNotThereOrIsAFileCannotBeOpened) {
  TempFolder folder;
  folder.WriteFile("file.txt");
  LinuxFileSystem files;
  EXPECT_EQ(RaisedNumber([&] { files.OpenFolder(folder.Path("missing")); }), ErrorNumber::FileNotFound);
  EXPECT_EQ(RaisedNumber([&] { files.OpenFolder(folder.Path("file.txt")); }), ErrorNumber::PathNotFound);
}

// A name reaching into another folder or cut short by a NUL is never passed to the kernel.
TEST(OpenedFolderTest, ANameThatIsNotBareIsRefusedAndNothingMoves) {
  TempFolder folder;
  ASSERT_EQ(mkdir(folder.Path("sub").c_str(), 0755), 0);
  folder.WriteFile("sub/inner.jpg", "inner");
  folder.WriteFile("a", "outer");
  const auto opened = LinuxFileSystem().OpenFolder(folder.path());
  const std::vector<std::pair<std::string, std::string>> cases{
      {"sub/inner.jpg", "out.jpg"}, {"a", "sub/a"}, {"a", "../a"}, {std::string("a\0b", 3), "c"}, {"a", std::string("c\0", 2)}};
  for (const auto& [from, to] : cases) {
    SCOPED_TRACE(from + " -> " + to);
    try {
      opened->RenameFile(from, to);
      ADD_FAILURE() << "renamed";
    } catch (const Error& error) {
      EXPECT_EQ(error.Number(), ErrorNumber::BadFileName);
      EXPECT_NE(error.Description().find(" while renaming " + folder.Path(from) + " to " + folder.Path(to)), std::string::npos)
          << error.Description();
    }
  }
  EXPECT_EQ(folder.Contents(), (std::map<std::string, std::string>{{"a", "outer"}, {"sub", "<dir>"}}));
  EXPECT_EQ(folder.ReadFile("sub/inner.jpg"), "inner");
}

// The opened folder is the one renamed in, whatever its path comes to mean afterwards.
TEST(OpenedFolderTest, RenamesStayInTheFolderOpenedWhenItsPathIsMovedAway) {
  TempFolder parent;
  ASSERT_EQ(mkdir(parent.Path("photos").c_str(), 0755), 0);
  parent.WriteFile("photos/a.jpg", "original");
  const auto opened = LinuxFileSystem().OpenFolder(parent.Path("photos"));
  ASSERT_EQ(rename(parent.Path("photos").c_str(), parent.Path("moved").c_str()), 0);
  ASSERT_EQ(mkdir(parent.Path("photos").c_str(), 0755), 0);
  parent.WriteFile("photos/a.jpg", "newcomer");
  EXPECT_EQ(Sorted(opened->ReadItems()), (std::vector<std::pair<std::string, FolderItemKind>>{{"a.jpg", FolderItemKind::File}}));
  parent.WriteFile("moved/c.jpg", "held");
  opened->RenameFile("a.jpg", "b.jpg");
  EXPECT_EQ(Sorted(opened->ReadItems()), (std::vector<std::pair<std::string, FolderItemKind>>{
                                              {"b.jpg", FolderItemKind::File}, {"c.jpg", FolderItemKind::File}}));
  EXPECT_FALSE(parent.Exists("moved/a.jpg"));
  EXPECT_EQ(parent.ReadFile("moved/b.jpg"), "original");
  EXPECT_EQ(parent.ReadFile("photos/a.jpg"), "newcomer");
  EXPECT_FALSE(parent.Exists("photos/b.jpg"));
}

// A watch hears of every change of the folder's names, whoever makes it, and of nothing else.
TEST(FolderWatchTest, EveryChangeOfTheFoldersNamesIsSeenForGood) {
  const auto move = [](const std::string& from, const std::string& to) { ASSERT_EQ(rename(from.c_str(), to.c_str()), 0); };
  const struct {
    const char* what;
    std::function<void(const TempFolder&)> change;
    bool seen;
  } cases[] = {
      {"nothing", [](const TempFolder&) {}, false},
      {"a file's content rewritten", [](const TempFolder& t) { t.WriteFile("photos/a.jpg", "new"); }, false},
      {"a file made", [](const TempFolder& t) { t.WriteFile("photos/b.jpg"); }, true},
      {"a file removed", [](const TempFolder& t) { unlink(t.Path("photos/a.jpg").c_str()); }, true},
      {"a file renamed", [&](const TempFolder& t) { move(t.Path("photos/a.jpg"), t.Path("photos/b.jpg")); }, true},
      {"a file replaced from outside", [&](const TempFolder& t) { move(t.Path("other.jpg"), t.Path("photos/a.jpg")); }, true},
      {"a file moved out", [&](const TempFolder& t) { move(t.Path("photos/a.jpg"), t.Path("out.jpg")); }, true},
      {"a folder made", [](const TempFolder& t) { mkdir(t.Path("photos/sub").c_str(), 0755); }, true},
      {"the folder moved away", [&](const TempFolder& t) { move(t.Path("photos"), t.Path("moved")); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TempFolder parent(TempFolder::Storage::Memory);
    ASSERT_EQ(mkdir(parent.Path("photos").c_str(), 0755), 0);
    parent.WriteFile("photos/a.jpg", "old");
    parent.WriteFile("other.jpg");
    const auto folder = LinuxFileSystem().OpenFolder(parent.Path("photos"));
    const std::unique_ptr<FolderWatch> watch = folder->Watch();
    if (!watch) GTEST_SKIP() << parent.path() << " is not on tmpfs here, which a watch vouches for";
    c.change(parent);
    EXPECT_EQ(watch->Unchanged(), !c.seen);
    EXPECT_EQ(watch->Unchanged(), !c.seen) << "asked again";
  }
}

// Renaming needs the right to change the folder, not to read it.
TEST(OpenedFolderTest, RenamesInAFolderThatCannotBeRead) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempFolder folder;
  ASSERT_EQ(mkdir(folder.Path("locked").c_str(), 0755), 0);
  folder.WriteFile("locked/a.jpg", "data");
  ASSERT_EQ(chmod(folder.Path("locked").c_str(), 0300), 0);
  try {
    const auto opened = LinuxFileSystem().OpenFolder(folder.Path("locked"));
    opened->RenameFile("a.jpg", "b.jpg");
    EXPECT_EQ(RaisedNumber([&] { opened->ReadItems(); }), ErrorNumber::PermissionDenied);
  } catch (const Error& error) {
    ADD_FAILURE() << error.Description();
  }
  ASSERT_EQ(chmod(folder.Path("locked").c_str(), 0700), 0);
  EXPECT_EQ(folder.ReadFile("locked/b.jpg"), "data");
}

TEST(OpenForAppendTest, CreatesThenAppendsLinesEndingInCrLf) {
  TempFolder folder;
  LinuxFileSystem files;
  const std::string path = folder.Path("Report.txt");
  auto writer = files.OpenForAppend(path);
  writer->WriteLine("Tolvane");
  writer->WriteLine(std::string("b\xFF\0x", 4));
  writer->WriteLine("");
  writer->Close();
  const std::string written = std::string("Tolvane\r\nb\xFF\0x\r\n\r\n", 17);
  EXPECT_EQ(folder.ReadFile("Report.txt"), written);
  auto again = files.OpenForAppend(path);
  again->WriteLine("\xC3\xA9t\xC3\xA9");
  again->Close();
  EXPECT_EQ(folder.ReadFile("Report.txt"), written + "\xC3\xA9t\xC3\xA9\r\n");
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
}

TEST(OpenForAppendTest, KeepsEveryLineOfALongFile) {
  TempFolder folder;
  LinuxFileSystem files;
  auto writer = files.OpenForAppend(folder.Path("long.txt"));
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    const std::string line = "IMG_" + std::to_string(i) + ".jpg -> Pic" + std::to_string(i) + ".jpg";
    writer->WriteLine(line);
    expected += line + "\r\n";
  }
  writer->Close();
  EXPECT_EQ(folder.ReadFile("long.txt"), expected);
}

TEST(OpenForAppendTest, AWriterDroppedWithoutCloseStillStoresItsLines) {
  TempFolder folder;
  LinuxFileSystem files;
  files.OpenForAppend(folder.Path("r.txt"))->WriteLine("kept");
  EXPECT_EQ(folder.ReadFile("r.txt"), "kept\r\n");
}

TEST(OpenForAppendTest, AMissingFolderIsPathNotFoundAndIsNotCreated) {
  TempFolder folder;
  LinuxFileSystem files;
  const std::string path = folder.Path("log/Report_06122026140509.txt");
  try {
    files.OpenForAppend(path);
    ADD_FAILURE() << path << " was opened";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), ErrorNumber::PathNotFound);
    EXPECT_EQ(error.Description(), "Path not found: " + path + " (No such file or directory)");
  }
  EXPECT_FALSE(folder.Exists("log"));
}

// A file may grow no more from here on, as on a full disk; restored at the end of the test.
class FileSizeLimit {
 public:
  FileSizeLimit() {
    getrlimit(RLIMIT_FSIZE, &before_);
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit none{0, before_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &none);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &before_);
    std::signal(SIGXFSZ, SIG_DFL);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit before_{};
};

// A file the writer made is removed when nothing could be stored in it; one that was there
// keeps what it held.
TEST(OpenForAppendTest, AFileThatCannotGrowIsRaisedOnCloseAndLeavesNoEmptyFileBehind) {
  TempFolder folder;
  folder.WriteFile("earlier.txt", "earlier\r\n");
  LinuxFileSystem files;
  for (const char* name : {"new.txt", "earlier.txt"}) {
    SCOPED_TRACE(name);
    auto writer = files.OpenForAppend(folder.Path(name));
    writer->WriteLine("lost");
    {
      const FileSizeLimit full;
      EXPECT_EQ(RaisedNumber([&] { writer->Close(); }), ErrorNumber::PathFileAccessError);
    }
    EXPECT_EQ(RaisedNumber([&] { writer->WriteLine("after close"); }), ErrorNumber::BadFileName);
  }
  EXPECT_EQ(folder.Contents(), (Contents{{"earlier.txt", "earlier\r\n"}}));
}

// A link (leading somewhere or nowhere), a pipe (with or without a reader), a folder, another
// user's file that anyone may write: never written to, never waited on, and told in plain words.
TEST(OpenForAppendTest, OnlyAPlainFileOfTheUsersOwnIsWrittenTo) {
  TempFolder folder;
  folder.WriteFile("target.txt", "keep");
  ASSERT_EQ(symlink(folder.Path("target.txt").c_str(), folder.Path("link").c_str()), 0);
  ASSERT_EQ(symlink(folder.Path("elsewhere.txt").c_str(), folder.Path("dangling").c_str()), 0);
  ASSERT_EQ(mkfifo(folder.Path("pipe").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo(folder.Path("read pipe").c_str(), 0644), 0);
  const int reader = open(folder.Path("read pipe").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  ASSERT_EQ(mkdir(folder.Path("folder").c_str(), 0755), 0);
  folder.WriteFile("foreign", "theirs");
  ASSERT_EQ(chmod(folder.Path("foreign").c_str(), 0666), 0);
  const bool foreignMade = chown(folder.Path("foreign").c_str(), geteuid() + 1, getegid()) == 0;
  const std::pair<const char*, const char*> cases[] = {
      {"link", "a symbolic link, not a file"}, {"dangling", "a symbolic link, not a file"},
      {"pipe", "a named pipe, not a file"},    {"read pipe", "a named pipe, not a file"},
      {"folder", "a folder, not a file"},      {"foreign", "a file of another user, not one of yours"}};
  LinuxFileSystem files;
  for (const auto& [name, why] : cases) {
    SCOPED_TRACE(name);
    if (name == std::string_view("foreign") && !foreignMade) continue;
    try {
      files.OpenForAppend(folder.Path(name))->WriteLine("report");
      ADD_FAILURE() << "opened";
    } catch (const Error& error) {
      EXPECT_EQ(error.Number(), ErrorNumber::PathFileAccessError);
      EXPECT_EQ(error.Description(), "Path/File access error: " + folder.Path(name) + " is " + why);
    }
  }
  close(reader);
  EXPECT_EQ(folder.ReadFile("target.txt"), "keep");
  EXPECT_FALSE(folder.Exists("elsewhere.txt"));
  EXPECT_EQ(folder.ReadFile("foreign"), "theirs");
  if (!foreignMade) GTEST_SKIP() << "another user's file needs root to be made; that row did not run";
}

// A FAT card mounted with uid= gives every file that owner, the report the open itself makes
// too: that file is the user's own, and is written to.
TEST(OpenForAppendTest, AFileTheOpenMadeIsWrittenToWhoeverTheVolumeSaysOwnsIt) {
  const testing::LoopVolume card(testing::LoopVolume::Kind::FuseFat, {}, 32, "uid=4242");
  if (!card.Mounted()) GTEST_SKIP() << card.WhyNotMounted();
  LinuxFileSystem files;
  files.OpenForAppend(card.Root() + "/report.txt")->WriteLine("made here");
  std::ifstream written(card.Root() + "/report.txt");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "made here\r\n");
}

// The descriptor handed out blocks again, as a plain file's writes expect.
TEST(OpenForAppendTest, APlainFileIsOpenedBlockingAndSaysWhetherItWasMade) {
  TempFolder folder;
  for (const bool made : {true, false}) {
    const FileOpenedForAppend file = OpenPlainFileForAppend(folder.Path("r.txt"));
    EXPECT_EQ(file.created, made);
    EXPECT_EQ(fcntl(file.fd, F_GETFL) & (O_NONBLOCK | O_APPEND), O_APPEND);
    close(file.fd);
  }
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

// Restores the process's umask when it goes.
class Umask {
 public:
  explicit Umask(mode_t mask) : before_(umask(mask)) {}
  ~Umask() { umask(before_); }
  Umask(const Umask&) = delete;
  Umask& operator=(const Umask&) = delete;

 private:
  mode_t before_;
};

TEST(PrivateFolderTest, MakesEveryMissingFolderForTheUserAloneAndLeavesOthersAsTheyAre) {
  TempFolder folder;
  ASSERT_EQ(mkdir(folder.Path("shared").c_str(), 0755), 0);
  LinuxFileSystem files;
  // A umask that takes the user's own write right must not leave a folder nobody can fill.
  const Umask mask(0277);
  files.CreatePrivateFolder(folder.Path("shared//state/tolvane/log/"));
  for (const char* made : {"shared/state", "shared/state/tolvane", "shared/state/tolvane/log"}) {
    EXPECT_EQ(ModeOf(folder.Path(made)), 0700u) << made;
  }
  EXPECT_EQ(ModeOf(folder.Path("shared")), 0755u);
  files.CreatePrivateFolder(folder.Path("shared/state/tolvane/log"));  // already there
  EXPECT_TRUE(files.IsWritableFolder(folder.Path("shared/state/tolvane/log")));
}

// Journals rename the user's files at the next start: their folder must be the user's alone.
TEST(PrivateFolderTest, KeepPrivateTightensTheUsersOwnFolderAndRefusesAnyOtherOne) {
  const struct {
    const char* what;
    mode_t mode;
    uid_t owner;  // of the folder; the test's own user unless another is named
    bool link;
    bool kept;  // made the user's alone, rather than refused
  } cases[] = {
      {"the user's, private", 0700, geteuid(), false, true},
      {"the user's, open to all", 0777, geteuid(), false, true},
      {"the user's, sticky and open to all", 01777, geteuid(), false, true},
      {"another user's", 0700, 4242, false, false},
      {"a link to the user's", 0700, geteuid(), true, false},
  };
  bool rowSkipped = false;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.owner != geteuid() && geteuid() != 0) {
      rowSkipped = true;  // only root can give a folder away
      continue;
    }
    TempFolder folder;
    ASSERT_EQ(mkdir(folder.Path("state").c_str(), 0700), 0);
    ASSERT_EQ(chmod(folder.Path("state").c_str(), c.mode), 0);
    ASSERT_EQ(chown(folder.Path("state").c_str(), c.owner, c.owner), 0);
    if (c.link) {
      ASSERT_EQ(symlink(folder.Path("state").c_str(), folder.Path("named").c_str()), 0);
    }
    const std::string named = folder.Path(c.link ? "named" : "state");
    LinuxFileSystem files;
    if (c.kept) {
      EXPECT_NO_THROW(files.KeepPrivate(named));
      EXPECT_EQ(ModeOf(named), 0700u);
    } else {
      EXPECT_THROW(files.KeepPrivate(named), Error);
      EXPECT_EQ(ModeOf(folder.Path("state")), c.mode & 07777u) << "left as it was";
    }
  }
  if (rowSkipped) GTEST_SKIP() << "another user's folder needs root to be made; that row did not run";
}

TEST(PrivateFolderTest, AFileInTheWayIsNotAFolder) {
  TempFolder folder;
  folder.WriteFile("state");
  LinuxFileSystem files;
  for (const char* path : {"state", "state/tolvane/log"}) {
    EXPECT_EQ(RaisedNumber([&] { files.CreatePrivateFolder(folder.Path(path)); }),
              ErrorNumber::PathNotFound)
        << path;
  }
  EXPECT_FALSE(files.IsWritableFolder(folder.Path("state")));
  EXPECT_FALSE(files.IsWritableFolder(folder.Path("missing")));
}

// Permissions do not bind root, so root runs the check in a child that has become nobody.
int AsOrdinaryUser(const std::function<int()>& check) {
  if (geteuid() != 0) return check();
  const pid_t child = fork();
  if (child == 0) {
    constexpr uid_t kNobody = 65534;
    if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(100);
    _exit(check());
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PrivateFolderTest, AFolderTheUserMayNotWriteToIsNotWritableAndNothingIsMadeInIt) {
  TempFolder folder;
  ASSERT_EQ(chmod(folder.path().c_str(), 0755), 0);
  ASSERT_EQ(mkdir(folder.Path("locked").c_str(), 0555), 0);
  const int failedChecks = AsOrdinaryUser([&] {
    LinuxFileSystem files;
    const bool writable = files.IsWritableFolder(folder.Path("locked"));
    const ErrorNumber raised = RaisedNumber([&] { files.CreatePrivateFolder(folder.Path("locked/state/log")); });
    return (writable ? 1 : 0) + (raised != ErrorNumber::PermissionDenied ? 2 : 0);
  });
  EXPECT_EQ(failedChecks, 0) << "1: the folder was called writable, 2: the folder in it was not refused";
  EXPECT_FALSE(folder.Exists("locked/state"));
}

}  // namespace
}  // namespace tolvane

namespace tolvane::testing {
namespace {

TEST(OpenedFolderTest, TellsWhichFileEachNameIsAndWhichFolderItIs) {
  TempFolder temp;
  temp.WriteFile("a", "a");
  temp.WriteFile("b", "b");
  LinuxFileSystem files;
  const std::unique_ptr<OpenedFolder> folder = files.OpenFolder(temp.path());
  struct stat info {};
  ASSERT_EQ(stat(temp.path().c_str(), &info), 0);
  EXPECT_EQ(folder->Identity(), (FileIdentity{info.st_dev, info.st_ino}));
  const std::optional<FileIdentity> a = folder->Identify("a");
  ASSERT_TRUE(a);
  folder->RenameFile("a", "c");
  EXPECT_EQ(folder->Identify("c"), a) << "a file keeps its identity under its new name";
  EXPECT_NE(folder->Identify("b"), a);
  EXPECT_FALSE(folder->Identify("a"));
  EXPECT_THROW(folder->Identify("../a"), Error);
}

// The folder's renames reach the disk: Sync flushes the folder itself, and a flush that fails
// is raised unless the file system has no flush for folders or is read-only.
TEST(OpenedFolderTest, SyncFlushesTheFolderAndRaisesOnlyTrueFailures) {
  TempFolder temp;
  ScriptedCalls script;
  LinuxFileSystem files(ScriptedCalls::Table());
  const std::unique_ptr<OpenedFolder> folder = files.OpenFolder(temp.path());
  for (const auto& [failure, raised] : {std::pair{0, false}, {EINVAL, false}, {EROFS, false}, {EIO, true}}) {
    SCOPED_TRACE(failure);
    script.made.clear();
    script.fsync.next = {failure};
    if (raised) {
      EXPECT_THROW(folder->Sync(), Error);
    } else {
      EXPECT_NO_THROW(folder->Sync());
    }
    EXPECT_EQ(script.made, std::vector<std::string>{"fsync"});
  }
}

TEST(DurableFileTest, AppearsWholeUnderItsNameAndNeverReplacesOne) {
  TempFolder temp;
  LinuxFileSystem files;
  {
    const std::unique_ptr<DurableFile> file = files.CreateDurableFile(temp.Path("j"));
    file->Write("part one, ");
    EXPECT_EQ(temp.Contents(), (std::map<std::string, std::string>{{"j.part", ""}})) << "buffered, and not yet named";
    file->Write("part two");
    file->Finish();
    EXPECT_EQ(temp.Contents(), (std::map<std::string, std::string>{{"j", "part one, part two"}}));
    EXPECT_EQ(file->ReadAll(100), "part one, part two");
    EXPECT_EQ(ModeOf(temp.Path("j")), 0600u) << "journals and records are the user's alone";
    EXPECT_THROW(file->ReadAll(17), Error) << "more than a reader takes";
  }
  EXPECT_EQ(temp.ReadFile("j"), "part one, part two") << "a finished file stays";
  {
    const std::unique_ptr<DurableFile> unfinished = files.CreateDurableFile(temp.Path("k"));
    unfinished->Write("cut short");
  }
  EXPECT_FALSE(temp.Exists("k.part")) << "an unfinished file goes";
  const std::unique_ptr<DurableFile> clash = files.CreateDurableFile(temp.Path("j"));
  EXPECT_THROW(clash->Finish(), Error);
  EXPECT_EQ(temp.ReadFile("j"), "part one, part two");
}

TEST(DurableFileTest, ANameAlreadyThereOrALinkIsRefused) {
  TempFolder temp;
  temp.WriteFile("target", "keep");
  ASSERT_EQ(symlink(temp.Path("target").c_str(), temp.Path("link.part").c_str()), 0);
  temp.WriteFile("taken.part", "keep");
  LinuxFileSystem files;
  EXPECT_THROW(files.CreateDurableFile(temp.Path("link")), Error);
  EXPECT_THROW(files.CreateDurableFile(temp.Path("taken")), Error);
  EXPECT_THROW(files.CreateDurableFile(temp.Path("missing/j")), Error);
  EXPECT_EQ(temp.ReadFile("target"), "keep");
  EXPECT_EQ(temp.ReadFile("taken.part"), "keep");
}

// The lock is flock's: held per open file, so a second open in this process stands for
// another window.
TEST(LockedFileTest, ALockIsHeldUntilLetGoAndOnlyRegularFilesAreLocked) {
  TempFolder temp;
  LinuxFileSystem files;
  std::unique_ptr<DurableFile> held = files.CreateDurableFile(temp.Path("j"));
  held->Write("plan");
  held->Finish();
  EXPECT_EQ(files.TryLockFile(temp.Path("j")), nullptr);
  held.reset();
  const std::unique_ptr<LockedFile> taken = files.TryLockFile(temp.Path("j"));
  ASSERT_NE(taken, nullptr);
  EXPECT_EQ(taken->ReadAll(4), "plan");
  EXPECT_TRUE(taken->OwnedByUser());
  EXPECT_EQ(files.TryLockFile(temp.Path("j")), nullptr);
  EXPECT_EQ(files.TryLockFile(temp.Path("gone")), nullptr);

  ASSERT_EQ(symlink(temp.Path("j").c_str(), temp.Path("link").c_str()), 0);
  ASSERT_EQ(mkfifo(temp.Path("fifo").c_str(), 0600), 0);
  EXPECT_THROW(files.TryLockFile(temp.Path("link")), Error);
  EXPECT_THROW(files.TryLockFile(temp.Path("fifo")), Error);
}

// The holder of a lock may remove the file, and another take its name, between this process's
// opening the file and its lock: the lock then holds a file that is no longer the journal.
TEST(LockedFileTest, AFileRemovedWhileTheLockWasAwaitedIsNotTaken) {
  for (const bool replaced : {false, true}) {
    SCOPED_TRACE(replaced ? "replaced" : "removed");
    TempFolder temp;
    temp.WriteFile("j", "plan");
    ScriptedCalls script;
    script.beforeFlock = [&] {
      std::filesystem::remove(temp.Path("j"));
      if (replaced) temp.WriteFile("j", "another plan");
    };
    LinuxFileSystem files(ScriptedCalls::Table());
    EXPECT_EQ(files.TryLockFile(temp.Path("j")), nullptr);
  }
}

TEST(LockedFileTest, AFileRemovedByTheHolderOfItsLockIsGone) {
  TempFolder temp;
  temp.WriteFile("j", "plan");
  LinuxFileSystem files;
  std::unique_ptr<LockedFile> holder = files.TryLockFile(temp.Path("j"));
  ASSERT_NE(holder, nullptr);
  files.RemoveFile(temp.Path("j"));
  temp.WriteFile("j", "another plan");
  holder.reset();
  const std::unique_ptr<LockedFile> next = files.TryLockFile(temp.Path("j"));
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->ReadAll(100), "another plan");
  EXPECT_THROW(files.RemoveFile(temp.Path("gone")), Error);
}

}  // namespace
}  // namespace tolvane::testing
