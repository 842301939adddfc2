#include "platform/runtime_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

namespace tolvane {
namespace {

using testing::TempFolder;

bool IsPrivateFolderOfTheUser(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
         (info.st_mode & 07777) == 0700;
}

TEST(RuntimeFolderTest, KeepsTheUsersPrivateFolderAndOtherwiseMakesOne) {
  TempFolder temp;
  const std::string own = temp.Path("tolvane-runtime-" + std::to_string(geteuid()));
  ASSERT_EQ(mkdir(temp.Path("private").c_str(), 0700), 0);
  ASSERT_EQ(mkdir(temp.Path("open").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(temp.Path("stranger's").c_str(), 0700), 0);
  // Only root can give a folder away; anyone else is a stranger to root's private home.
  std::string strangers = temp.Path("stranger's");
  if (geteuid() == 0) {
    ASSERT_EQ(chown(strangers.c_str(), 65534, 65534), 0);
  } else {
    struct stat root {};
    ASSERT_TRUE(stat("/root", &root) == 0 && root.st_uid == 0 && (root.st_mode & 07777) == 0700)
        << "no folder of another user's to stand for a stranger's";
    strangers = "/root";
  }
  struct Case {
    std::optional<std::string> current;
    std::string chosen;
  };
  const Case cases[] = {
      {temp.Path("private"), temp.Path("private")},
      {std::nullopt, own},
      {temp.Path("open"), own},
      {temp.Path("missing"), own},
      {"private", own},  // relative
      {strangers, own},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UsableRuntimeFolder(c.current, temp.path()), c.chosen) << c.current.value_or("(unset)");
  }
  EXPECT_TRUE(IsPrivateFolderOfTheUser(own));
}

TEST(RuntimeFolderTest, AStrangersThingUnderTheForeseeableNameGivesWayToAFreshFolder) {
  for (const char* planted : {"file", "link"}) {
    TempFolder temp;
    const std::string own = temp.Path("tolvane-runtime-" + std::to_string(geteuid()));
    ASSERT_EQ(mkdir(temp.Path("private").c_str(), 0700), 0);
    if (std::string(planted) == "file") {
      temp.WriteFile("tolvane-runtime-" + std::to_string(geteuid()));
    } else {
      ASSERT_EQ(symlink(temp.Path("private").c_str(), own.c_str()), 0);
    }
    const std::optional<std::string> chosen = UsableRuntimeFolder(std::nullopt, temp.path());
    ASSERT_TRUE(chosen) << planted;
    EXPECT_NE(*chosen, own) << planted;
    EXPECT_TRUE(chosen->starts_with(temp.Path("tolvane-runtime-"))) << *chosen;
    EXPECT_TRUE(IsPrivateFolderOfTheUser(*chosen)) << *chosen;
  }
}

TEST(RuntimeFolderTest, ProvidesTheVariableToThisProcessOnly) {
  TempFolder temp;
  const testing::ScopedEnvironmentVariable tmpdir("TMPDIR", temp.path().c_str());
  const testing::ScopedEnvironmentVariable runtime("XDG_RUNTIME_DIR", nullptr);
  const mode_t before = umask(0277);
  ProvideRuntimeFolder();
  umask(before);
  const char* provided = std::getenv("XDG_RUNTIME_DIR");
  ASSERT_NE(provided, nullptr);
  EXPECT_EQ(std::string(provided), temp.Path("tolvane-runtime-" + std::to_string(geteuid())));
  EXPECT_TRUE(IsPrivateFolderOfTheUser(provided));
}

}  // namespace
}  // namespace tolvane
