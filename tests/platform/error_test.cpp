#include "platform/error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace tolvane {
namespace {

// The classic number and the words of each system error a rename, a folder read or the
// report can meet.
TEST(ErrorTest, EachErrnoGetsItsClassicNumberAndTheSystemsReason) {
  struct Case {
    int errnum;
    int number;
    std::string description;
  };
  const Case cases[] = {
      {ENOENT, 53, "File not found: /p (No such file or directory)"},
      {EXDEV, 74, "Can't rename with different drive: /p (Invalid cross-device link)"},
      {EROFS, 70, "Permission denied: /p (Read-only file system)"},
      {ENAMETOOLONG, 52, "Bad file name or number: /p (File name too long)"},
      {EIO, 68, "Device unavailable: /p (Input/output error)"},
      {EDQUOT, 61, "Disk full: /p (Disk quota exceeded)"},
      {ENOTEMPTY, 58, "File already exists: /p (Directory not empty)"},
      {ENXIO, 68, "Device unavailable: /p (No such device or address)"},
      {ENOTDIR, 76, "Path not found: /p (Not a directory)"},
      {EBUSY, 75, "Path/File access error: /p (Device or resource busy)"},
  };
  for (const Case& c : cases) {
    const Error error = Error::FromErrno(c.errnum, "/p");
    EXPECT_EQ(ClassicNumber(error.Number()), c.number) << c.description;
    EXPECT_EQ(error.Description(), c.description);
    EXPECT_EQ(error.SystemErrno(), c.errnum) << c.description;
  }
  EXPECT_EQ(Error(ErrorNumber::PathNotFound, "Path not found").SystemErrno(), 0);
}

}  // namespace
}  // namespace tolvane
