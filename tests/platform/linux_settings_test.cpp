#include "platform/linux_settings.h"

#include <gtest/gtest.h>

#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

namespace tolvane {
namespace {

using testing::ScopedEnvironmentVariable;
using testing::TempFolder;

// The choice is off until made, survives into the next run's settings, and lives in
// $XDG_CONFIG_HOME/tolvane, or in ~/.config/tolvane where that is unset or relative.
TEST(LinuxSettings, KeepSetsIsOffUntilTurnedOnAndLastsInTheConfigurationFolder) {
  const TempFolder home;
  for (const char* configHome : {"", "relative", "/config"}) {
    SCOPED_TRACE(configHome);
    const std::string config = configHome[0] == '/' ? home.path() + configHome : home.Path(".config");
    ScopedEnvironmentVariable homeVariable("HOME", home.path().c_str());
    ScopedEnvironmentVariable configVariable("XDG_CONFIG_HOME",
                                             configHome[0] == '/' ? config.c_str() : configHome[0] ? configHome : nullptr);
    EXPECT_FALSE(LinuxSettings().KeepSets());
    LinuxSettings().SetKeepSets(true);
    EXPECT_TRUE(LinuxSettings().KeepSets());
    EXPECT_EQ(home.ReadFile(config.substr(home.path().size() + 1) + "/tolvane/settings"), "keep-sets=true\n");
    LinuxSettings().SetKeepSets(false);
    EXPECT_FALSE(LinuxSettings().KeepSets());
  }
}

}  // namespace
}  // namespace tolvane
