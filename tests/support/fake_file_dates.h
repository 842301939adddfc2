#pragma once

#include <functional>
#include <map>
#include <string>

#include "platform/file_dates.h"
#include "platform/taken_time.h"

namespace tolvane::testing {

// Dates that a test sets by file name; a name without one has none. Every read is recorded.
class FakeFileDates final : public FileDates {
 public:
  std::optional<std::vector<FileDate>> Read(const std::string& folder, const std::vector<std::string_view>& names,
                                            DateKind kind, DateReading& reading) override {
    return ReadEach<FileDate>(folder, names, reading, [&](const std::string& name) {
      const auto& known = kind == DateKind::Modified ? modified : taken;
      const auto date = known.find(name);
      return date == known.end() ? FileDate() : date->second;
    });
  }

  // The names' dates in the local time zone; a name without a date taken tells none.
  std::optional<std::vector<NameDates>> ReadNameDates(const std::string& folder,
                                                      const std::vector<std::string_view>& names, DateKind kind,
                                                      DateReading& reading) override {
    return ReadEach<NameDates>(folder, names, reading, [&](const std::string& name) {
      NameDates dates;
      if (const auto time = modified.find(name); time != modified.end() && time->second) {
        dates.modified = LocalDateTime(*time->second);
      }
      if (const auto time = taken.find(name); kind == DateKind::Taken && time != taken.end() && time->second) {
        dates.taken = LocalDateTime(*time->second);
      }
      return dates;
    });
  }

  std::map<std::string, FileDate> taken;
  std::map<std::string, FileDate> modified;
  std::function<void(DateReading&)> afterEachFile;
  int reads = 0;
  std::string lastFolder;

 private:
  template <typename Date, typename DateOf>
  std::optional<std::vector<Date>> ReadEach(const std::string& folder, const std::vector<std::string_view>& names,
                                            DateReading& reading, DateOf dateOf) {
    ++reads;
    lastFolder = folder;
    std::vector<Date> dates;
    for (const std::string_view name : names) {
      dates.push_back(dateOf(std::string(name)));
      ++reading.done;
      // Runs on the reading's thread after each file, as a slow disk would let time pass.
      if (afterEachFile) afterEachFile(reading);
      if (reading.stop) return std::nullopt;
    }
    return dates;
  }
};

}  // namespace tolvane::testing
