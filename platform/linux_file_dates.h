#pragma once

#include "platform/file_dates.h"

namespace tolvane {

// Dates read off the disk. A photo's date taken comes from its EXIF or XMP through exiv2, a
// HEIC's from the Exif block libheif finds in it, a video's from its container's creation
// time through libavformat; every file that tells none falls back to its modification time.
// Reads run on every processor of the machine, each file opened by name within the folder:
// a link is followed only to a name of the same folder.
class LinuxFileDates final : public FileDates {
 public:
  LinuxFileDates();
  std::optional<std::vector<FileDate>> Read(const std::string& folder, const std::vector<std::string_view>& names,
                                            DateKind kind, DateReading& reading) override;
  std::optional<std::vector<NameDates>> ReadNameDates(const std::string& folder,
                                                      const std::vector<std::string_view>& names, DateKind kind,
                                                      DateReading& reading) override;
};

}  // namespace tolvane
