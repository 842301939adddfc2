#pragma once

#include <optional>
#include <string_view>

#include "platform/file_dates.h"
#include "platform/platform.h"

// The texts in which photos and videos tell when they were taken. A time without an offset
// from UTC is a time of the machine's own time zone, as the camera's clock was set.
namespace tolvane {

// When a file was taken, as its metadata tells it.
struct TakenTime {
  FileTime moment;
  // The time as the file stores it, where the file gives no offset from UTC: the camera's
  // wall clock, which a name writes unchanged.
  std::optional<DateTime> wallClock;
};

// EXIF's "YYYY:MM:DD HH:MM:SS", with its sub-seconds tag ("45" is 0.45 s) and its offset tag
// ("+02:00") where the file has them. A blank or impossible date ("0000:00:00 00:00:00") is none.
std::optional<TakenTime> ExifTaken(std::string_view text, std::string_view subSeconds = {},
                                   std::string_view offset = {});
inline std::optional<FileTime> ExifDateTime(std::string_view text, std::string_view subSeconds = {},
                                            std::string_view offset = {}) {
  const auto taken = ExifTaken(text, subSeconds, offset);
  return taken ? std::optional<FileTime>(taken->moment) : std::nullopt;
}

// ISO 8601 as XMP and video containers write it: "YYYY-MM-DD", then optionally "THH:MM",
// ":SS", a fraction, and "Z" or "+HH:MM".
std::optional<TakenTime> IsoTaken(std::string_view text);
inline std::optional<FileTime> IsoDateTime(std::string_view text) {
  const auto taken = IsoTaken(text);
  return taken ? std::optional<FileTime>(taken->moment) : std::nullopt;
}

// A moment as the clock of the machine's time zone shows it, to the second.
DateTime LocalDateTime(FileTime moment);

// The date a name writes for a time taken: the wall clock as stored, or else the moment in
// the machine's time zone; sub-seconds are never written.
inline DateTime WrittenDateTime(const TakenTime& taken) {
  return taken.wallClock ? *taken.wallClock : LocalDateTime(taken.moment);
}

}  // namespace tolvane
