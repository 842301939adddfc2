#pragma once

#include <optional>
#include <string_view>

#include "platform/file_dates.h"

// The texts in which photos and videos tell when they were taken. A time without an offset
// from UTC is a time of the machine's own time zone, as the camera's clock was set.
namespace tolvane {

// EXIF's "YYYY:MM:DD HH:MM:SS", with its sub-seconds tag ("45" is 0.45 s) and its offset tag
// ("+02:00") where the file has them. A blank or impossible date ("0000:00:00 00:00:00") is none.
std::optional<FileTime> ExifDateTime(std::string_view text, std::string_view subSeconds = {},
                                     std::string_view offset = {});

// ISO 8601 as XMP and video containers write it: "YYYY-MM-DD", then optionally "THH:MM",
// ":SS", a fraction, and "Z" or "+HH:MM".
std::optional<FileTime> IsoDateTime(std::string_view text);

}  // namespace tolvane
