#pragma once

#include <atomic>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

// When the files of a folder were made or last changed, read in bulk for ordering a list.
namespace tolvane {

// A moment in time to the nanosecond, counted from the Unix epoch in UTC.
struct FileTime {
  std::int64_t seconds = 0;
  std::uint32_t nanoseconds = 0;  // 0 to 999,999,999
  friend auto operator<=>(const FileTime&, const FileTime&) = default;
};

// A file's date to order by; nothing when not even its modification time can be read.
using FileDate = std::optional<FileTime>;

enum class DateKind {
  Modified,  // the modification time
  Taken,     // when the photo or the video was taken; the modification time where no file says
  TakenOnly, // when the photo or the video was taken; nothing where no file says
};

// How a read goes, shared with whoever waits for it: how many files are done, and a request
// to stop, which the read heeds between two files and within the read of a video or a HEIC.
struct DateReading {
  std::atomic<std::size_t> done{0};
  std::atomic<bool> stop{false};
};

// A file's dates as its new name writes them, in the machine's local time, to the second.
struct NameDates {
  // When the photo or the video was taken: the camera's wall clock as stored where the file
  // gives no offset from UTC, else the moment in the local time zone. None where the file
  // tells none, or where it was not asked for.
  std::optional<DateTime> taken;
  // None where the file is gone or its times cannot be read.
  std::optional<DateTime> modified;
};

class FileDates {
 public:
  virtual ~FileDates() = default;
  // The date of each of `names` in `folder`, in the same order. A file that is gone or cannot
  // be read gets its modification time or nothing, never an error. Nothing is written to any
  // file. A read stopped through `reading` returns nothing.
  virtual std::optional<std::vector<FileDate>> Read(const std::string& folder, const std::vector<std::string_view>& names,
                                                    DateKind kind, DateReading& reading) = 0;
  // The dates of each of `names` for their new names, read as Read reads them; the date
  // taken only when `kind` asks for it.
  virtual std::optional<std::vector<NameDates>> ReadNameDates(const std::string& folder,
                                                              const std::vector<std::string_view>& names,
                                                              DateKind kind, DateReading& reading) = 0;
};

}  // namespace tolvane
