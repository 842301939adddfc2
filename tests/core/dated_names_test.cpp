#include <gtest/gtest.h>

#include <ctime>

#include "core/name_refusal.h"
#include "core/preview.h"
#include "platform/taken_time.h"
#include "tests/support/scoped_environment.h"

namespace tolvane {
namespace {

// Central Europe and the US west coast, with their summer times, as POSIX writes them.
constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";
constexpr const char* kLosAngeles = "PST8PDT,M3.2.0,M11.1.0";
// 2023-11-14 22:13:20 UTC.
constexpr FileTime kModified{1'700'000'000, 0};

struct DatedNameCase {
  const char* what;
  std::string before;
  std::string after;
  const char* timeZone;
  std::optional<TakenTime> taken;  // as the file's metadata tells it; none: it tells none
  std::string expected;
  bool fatRefuses = false;
};

TEST(DatedNames, DateFieldsWriteEachFilesDatesAroundTheNumber) {
  const std::vector<DatedNameCase> cases{
      {"a day before the number", "{taken:YYYY-MM-DD}_", "", "UTC", ExifTaken("2024:05:01 07:08:09"),
       "2024-05-01_001.jpg"},
      {"each code; sub-seconds are not written", "{taken:DD.MM.YYYY hh-mm-ss MMM} ", "", "UTC",
       ExifTaken("2024:05:01 07:08:09", "45"), "01.05.2024 07-08-09 May 001.jpg"},
      {"no offset: the camera's clock as stored, even in the hour a summer time skips", "", "_{taken:YYYYMMDD-hhmm}",
       kBerlin, ExifTaken("2024:03:31 02:30:00"), "001_20240331-0230.jpg"},
      {"an offset: in the local time zone", "{taken:YYYY-MM-DD hh.mm} ", "", "UTC",
       ExifTaken("2024:05:01 23:30:00", "", "+02:00"), "2024-05-01 21.30 001.jpg"},
      {"a video's UTC time in Berlin", "{taken:YYYY-MM-DD hh.mm} ", "", kBerlin, IsoTaken("2024-05-01T22:00:00.000000Z"),
       "2024-05-02 00.00 001.jpg"},
      {"a video's UTC time in Los Angeles", "{taken:YYYY-MM-DD hh.mm} ", "", kLosAngeles,
       IsoTaken("2024-05-01T22:00:00.000000Z"), "2024-05-01 15.00 001.jpg"},
      {"no date taken: the modification time", "{taken:YYYY-MM-DD hh.mm.ss}_", "", "UTC", std::nullopt,
       "2023-11-14 22.13.20_001.jpg"},
      {"the modification time, though a date taken is known", "", "_{modified:YYYY}", "UTC", ExifTaken("2024:05:01 07:08:09"),
       "001_2023.jpg"},
      {"braces that are no field stand as typed, the colon too", "{x}{{taken:}", "{taken{modified", "UTC", std::nullopt,
       "{x}{{taken:}001{taken{modified.jpg", true},
      {"a time's colon, which FAT refuses", "{taken:hh:mm}_", "", "UTC", ExifTaken("2024:05:01 07:08:09"),
       "07:08_001.jpg", true},
  };
  for (const DatedNameCase& c : cases) {
    SCOPED_TRACE(c.what);
    const testing::ScopedEnvironmentVariable zone("TZ", c.timeZone);
    tzset();
    RenameList list;
    list.Add("IMG_1.jpg");
    Preview preview(list);
    const NameDates dates{c.taken ? std::optional(WrittenDateTime(*c.taken)) : std::nullopt, LocalDateTime(kModified)};
    const EntryDates entryDates{{dates}, EnglishMonthAbbreviations()};
    preview.Simulate(NamingFields{c.before, c.after, "1", "000"}, &entryDates);
    EXPECT_EQ(list.Item(1).Text, c.expected);
    EXPECT_EQ(RefusalOf(NameRules::Fat, list.Item(1).Text).has_value(), c.fatRefuses);
  }
  tzset();
}

}  // namespace
}  // namespace tolvane
