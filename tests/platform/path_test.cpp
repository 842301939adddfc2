#include "platform/path.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

TEST(PathTest, JoinPathPutsOneSeparatorBetweenFolderAndName) {
  EXPECT_EQ(JoinPath("/home/anna", "a.jpg"), "/home/anna/a.jpg");
  EXPECT_EQ(JoinPath("/", "home"), "/home");
  EXPECT_EQ(JoinPath("relative", ".hidden"), "relative/.hidden");
}

TEST(PathTest, APathIsWithinTheFolderItselfAndWhatLiesBelowIt) {
  const struct {
    const char* path;
    const char* folder;
    bool within;
  } cases[] = {
      {"/media/usb", "/media/usb", true},  {"/media/usb/photos", "/media/usb", true},
      {"/media/usbstick", "/media/usb", false}, {"/media", "/media/usb", false},
      {"/etc", "/", true},                {"/", "/", true},
      {"/run/media/anna", "/run/media", true}, {"/run/mediax", "/run/media", false},
  };
  for (const auto& c : cases) EXPECT_EQ(PathIsWithin(c.path, c.folder), c.within) << c.path << " in " << c.folder;
}

}  // namespace
}  // namespace tolvane
