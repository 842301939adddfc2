#include "platform/linux_system.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "platform/date_format.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

namespace tolvane {
namespace {

using namespace std::chrono_literals;

DateTime LocalDateTime(time_t when) {
  struct tm local {};
  localtime_r(&when, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

TEST(LinuxSystemTest, CurrentDateTimeIsLocalTimeNow) {
  LinuxSystem system;
  const time_t before = time(nullptr);
  const DateTime now = system.CurrentDateTime();
  const time_t after = time(nullptr);
  EXPECT_TRUE(now == LocalDateTime(before) || now == LocalDateTime(after))
      << now.year << "-" << now.month << "-" << now.day << " " << now.hour << ":" << now.minute << ":" << now.second;
}

using EnvironmentVariable = testing::ScopedEnvironmentVariable;

TEST(LinuxSystemTest, MonthAbbreviationsOfTheCLocaleAreEnglish) {
  const EnvironmentVariable locale("LC_ALL", "C");
  EXPECT_EQ(LinuxSystem().MonthAbbreviations(), EnglishMonthAbbreviations());
}

TEST(LinuxSystemTest, AnUnknownLocaleFallsBackToEnglish) {
  const EnvironmentVariable locale("LC_ALL", "xx_NOWHERE.UTF-8");
  EXPECT_EQ(LinuxSystem().MonthAbbreviations(), EnglishMonthAbbreviations());
}

TEST(LinuxSystemTest, ExecutableFolderIsTheFolderOfThisTestProgram) {
  char resolved[PATH_MAX];
  ASSERT_NE(realpath(program_invocation_name, resolved), nullptr) << program_invocation_name;
  std::string expected = resolved;
  expected.erase(expected.rfind('/'));
  EXPECT_EQ(LinuxSystem().ExecutableFolder(), expected);
}

TEST(LinuxSystemTest, CurrentFolderIsTheProcesssOwnHoweverLongAndNoneOnceItIsRemoved) {
  char previous[PATH_MAX];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  const testing::TempFolder temp;
  char real[PATH_MAX];
  ASSERT_NE(realpath(temp.path().c_str(), real), nullptr);
  // Longer than the room the folder is first read into.
  const std::string deep = std::string(real) + "/" + std::string(120, 'a') + "/" + std::string(120, 'b') + "/" +
                           std::string(120, 'c');
  std::filesystem::create_directories(deep);
  ASSERT_EQ(chdir(deep.c_str()), 0);
  const std::optional<std::string> current = LinuxSystem().CurrentFolder();
  const int removed = rmdir(deep.c_str());
  const std::optional<std::string> removedCurrent = LinuxSystem().CurrentFolder();
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_EQ(current, deep);
  ASSERT_EQ(removed, 0);
  EXPECT_EQ(removedCurrent, std::nullopt);
}

// Waits, within a bound, for a file that a launched program writes.
std::optional<std::string> AwaitFile(const testing::TempFolder& folder, const std::string& name) {
  for (auto waited = 0ms; waited < 10s; waited += 20ms) {
    if (folder.Exists(name)) {
      const std::string content = folder.ReadFile(name);
      if (!content.empty()) return content;
    }
    std::this_thread::sleep_for(20ms);
  }
  return std::nullopt;
}

TEST(LinuxSystemTest, LaunchesFromAnArgumentVectorWithoutAShell) {
  testing::TempFolder folder;
  LinuxSystem system;
  // The semicolon and quotes reach the program as they are, since no shell reads the vector.
  system.LaunchProgram({"/bin/sh", "-c", "printf '%s' \"$1\" > \"$2\"", "sh", "a; b 'c'", folder.Path("out")});
  EXPECT_EQ(AwaitFile(folder, "out"), "a; b 'c'");
}

TEST(LinuxSystemTest, WaitsForTheProgramOnlyWhileItWatchesItsStartNorLeavesAChildBehind) {
  testing::TempFolder folder;
  LinuxSystem system(300ms);
  const auto start = std::chrono::steady_clock::now();
  system.LaunchProgram({"/bin/sh", "-c", "sleep 2; echo ok > " + folder.Path("late")});
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
  int status = 0;
  EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  EXPECT_EQ(AwaitFile(folder, "late"), "ok\n");
}

TEST(LinuxSystemTest, AProgramThatEndsAtOnceIsAwaitedAndAFailureRaisesSayingHowItEnded) {
  struct Case {
    std::string script;
    std::string raised;  // empty when the launch succeeds
  };
  for (const Case& c : {Case{"exit 0", ""}, Case{"exit 3", "/bin/sh ended with status 3"},
                        Case{"kill -TERM $$", "/bin/sh was ended by signal 15"}}) {
    LinuxSystem system;  // watching for the full while
    const auto start = std::chrono::steady_clock::now();
    try {
      system.LaunchProgram({"/bin/sh", "-c", c.script});
      EXPECT_EQ(c.raised, "") << c.script;
    } catch (const Error& error) {
      EXPECT_EQ(error.Description(), c.raised) << c.script;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, LinuxSystem::kLaunchWatch / 2) << c.script;
  }
}

TEST(LinuxSystemTest, AProgramThatCannotBeFoundRaisesNamingIt) {
  LinuxSystem system;
  try {
    system.LaunchProgram({"tolvane-no-such-editor", "report.txt"});
    ADD_FAILURE() << "the missing program was started";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), ErrorNumber::FileNotFound);
    EXPECT_NE(error.Description().find("tolvane-no-such-editor"), std::string::npos) << error.Description();
  }
}

}  // namespace
}  // namespace tolvane
