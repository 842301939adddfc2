#include <gtest/gtest.h>

#include "window/folder_rows.h"

namespace tolvane {
namespace {

std::vector<FolderItem> Items() {
  return {{"IMG_10", FolderItemKind::Directory}, {"IMG_2", FolderItemKind::Directory},
          {".git", FolderItemKind::Directory},   {"notes.txt", FolderItemKind::File},
          {"b", FolderItemKind::Directory},      {"pipe", FolderItemKind::Other},
          {"\xff\xfe", FolderItemKind::Directory}};
}

TEST(FolderRows, ThePathFromTheTopOpenThenTheVisibleSubfoldersClosedInNaturalOrder) {
  const std::vector<FolderRow> rows = FolderRows("/media/usb", "/media/usb/photos/2024", Items());
  EXPECT_EQ(rows, (std::vector<FolderRow>{
                      {"/media/usb", "/media/usb", 0, true},
                      {"/media/usb/photos", "photos", 1, true},
                      {"/media/usb/photos/2024", "2024", 2, true},
                      {"/media/usb/photos/2024/b", "b", 3, false},
                      {"/media/usb/photos/2024/IMG_2", "IMG_2", 3, false},
                      {"/media/usb/photos/2024/IMG_10", "IMG_10", 3, false},
                      {"/media/usb/photos/2024/\xff\xfe", "\xff\xfe", 3, false},
                  }));
}

TEST(FolderRows, TheRootsChildrenGetOneSeparator) {
  const std::vector<FolderRow> rows = FolderRows("/", "/home", {{"anna", FolderItemKind::Directory}});
  EXPECT_EQ(rows, (std::vector<FolderRow>{{"/", "/", 0, true}, {"/home", "home", 1, true}, {"/home/anna", "anna", 2, false}}));
  EXPECT_EQ(FolderRows("/", "/", {})[0], (FolderRow{"/", "/", 0, true}));
}

TEST(FolderRows, DoubledSeparatorsInThePathMakeNoEmptyRows) {
  const std::vector<FolderRow> rows = FolderRows("/", "//a//b/", {});
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2], (FolderRow{"/a/b", "b", 2, true}));
}

TEST(FolderRows, APathOffTheGivenTopStandsAloneAsItsOwnTop) {
  const std::vector<FolderRow> rows = FolderRows("/media/usb", "/media/usbstick", {{"x", FolderItemKind::Directory}});
  EXPECT_EQ(rows, (std::vector<FolderRow>{{"/media/usbstick", "/media/usbstick", 0, true},
                                          {"/media/usbstick/x", "x", 1, false}}));
}

}  // namespace
}  // namespace tolvane
