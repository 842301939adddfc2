#include "core/log_folder.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/fake_platform.h"

namespace tolvane {
namespace {

using testing::FakePlatform;

const std::string kBesideProgram = "/opt/tolvane/log";
const std::string kUnderHome = "/home/user/.local/state/tolvane/log";

enum class Beside { Writable, ReadOnly, Missing };

struct Case {
  const char* what;
  Beside beside;
  std::map<std::string, std::string> environment;
  std::set<std::string> readOnly;
  std::string chosen;                   // empty when the choice fails
  std::vector<std::string> created;     // when it succeeds
  std::string reason;                   // the end of the message when it fails
};

TEST(ChooseLogFolderTest, FollowsTheFolderTable) {
  const std::map<std::string, std::string> home{{"HOME", "/home/user"}};
  const std::vector<std::string> homeStateFolders{"/home/user/.local", "/home/user/.local/state",
                                                  "/home/user/.local/state/tolvane", kUnderHome};
  const Case cases[] = {
      {"beside the program", Beside::Writable, {{"HOME", "/home/user"}, {"XDG_STATE_HOME", "/state"}}, {}, kBesideProgram, {}, ""},
      {"read-only beside", Beside::ReadOnly, {{"HOME", "/home/user"}, {"XDG_STATE_HOME", "/state"}}, {},
       "/state/tolvane/log", {"/state", "/state/tolvane", "/state/tolvane/log"}, ""},
      {"XDG_STATE_HOME unset", Beside::Missing, home, {}, kUnderHome, homeStateFolders, ""},
      {"XDG_STATE_HOME relative", Beside::Missing, {{"HOME", "/home/user"}, {"XDG_STATE_HOME", "state"}}, {},
       kUnderHome, homeStateFolders, ""},
      {"XDG_STATE_HOME empty", Beside::ReadOnly, {{"HOME", "/home/user"}, {"XDG_STATE_HOME", ""}}, {}, kUnderHome,
       homeStateFolders, ""},
      {"home read-only", Beside::Missing, home, {"/home/user"}, "", {},
       "the folder " + kUnderHome +
           " could not be created: Permission denied: /home/user/.local (Permission denied)."},
      {"no home", Beside::ReadOnly, {{"HOME", "~"}}, {}, "", {},
       "neither XDG_STATE_HOME nor HOME names a folder to keep them in instead."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform fake;
    fake.system.environment = c.environment;
    fake.files.AddFolder("/home/user");
    if (c.beside != Beside::Missing) fake.files.AddFolder(kBesideProgram);
    if (c.beside == Beside::ReadOnly) fake.files.readOnlyFolders.insert(kBesideProgram);
    fake.files.readOnlyFolders.insert(c.readOnly.begin(), c.readOnly.end());
    try {
      EXPECT_EQ(ChooseLogFolder(fake.platform()), c.chosen);
      EXPECT_EQ(fake.files.createdFolders, c.created);
    } catch (const Error& error) {
      EXPECT_EQ(error.Description(), "Tolvane has no folder to write its reports in. The folder " + kBesideProgram +
                                         " beside the program is missing or may not be written to, and " + c.reason);
      EXPECT_TRUE(c.chosen.empty()) << error.Description();
      EXPECT_TRUE(fake.files.createdFolders.empty());
    }
    // Nothing is made beside the program.
    EXPECT_EQ(fake.files.Exists(kBesideProgram), c.beside != Beside::Missing);
  }
}

TEST(ChooseLogFolderTest, AStateFolderThatIsThereIsTakenAsItIs) {
  FakePlatform fake;
  fake.system.environment = {{"HOME", "/home/user"}};
  fake.files.AddFolder(kUnderHome);
  EXPECT_EQ(ChooseLogFolder(fake.platform()), kUnderHome);
  EXPECT_TRUE(fake.files.createdFolders.empty());
}

}  // namespace
}  // namespace tolvane
