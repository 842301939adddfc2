#pragma once

#include <functional>
#include <map>
#include <string>

#include "platform/file_dates.h"

namespace tolvane::testing {

// Dates that a test sets by file name; a name without one has none. Every read is recorded.
class FakeFileDates final : public FileDates {
 public:
  std::optional<std::vector<FileDate>> Read(const std::string& folder, const std::vector<std::string_view>& names,
                                            DateKind kind, DateReading& reading) override {
    ++reads;
    lastFolder = folder;
    std::vector<FileDate> dates;
    for (const std::string_view name : names) {
      const auto& known = kind == DateKind::Modified ? modified : taken;
      const auto date = known.find(std::string(name));
      dates.push_back(date == known.end() ? FileDate() : date->second);
      ++reading.done;
      // Runs on the reading's thread after each file, as a slow disk would let time pass.
      if (afterEachFile) afterEachFile(reading);
      if (reading.stop) return std::nullopt;
    }
    return dates;
  }

  std::map<std::string, FileDate> taken;
  std::map<std::string, FileDate> modified;
  std::function<void(DateReading&)> afterEachFile;
  int reads = 0;
  std::string lastFolder;
};

}  // namespace tolvane::testing
