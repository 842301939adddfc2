#include "platform/path.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

TEST(PathTest, JoinPathPutsOneSeparatorBetweenFolderAndName) {
  EXPECT_EQ(JoinPath("/home/anna", "a.jpg"), "/home/anna/a.jpg");
  EXPECT_EQ(JoinPath("/", "home"), "/home");
  EXPECT_EQ(JoinPath("relative", ".hidden"), "relative/.hidden");
}

}  // namespace
}  // namespace tolvane
