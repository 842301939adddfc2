#include "core/highest_number.h"

#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"

namespace tolvane {
namespace {

constexpr std::size_t kYes = 0;
constexpr std::size_t kNo = 1;
constexpr std::size_t kCancel = 2;

struct HighestNumberCase {
  const char* what;
  NamingFields fields;
  std::vector<std::string> folder;
  std::vector<std::string> list;  // the list's rows, which are files of the folder too
  std::optional<std::size_t> answer;
  std::optional<std::int32_t> start;
  std::vector<std::string> listAfter;
  std::string said;  // the box's prompt, or the message's
  bool foldsCase = false;
};

TEST(StartAfterHighestNumber, NumbersAfterTheFolderAndAsksAboutRowsThatFit) {
  const NamingFields trip{"Trip_", "", "1", "000"};
  const std::vector<std::string> folder{"Trip_001.JPG", "Trip_005.JPG", "new.jpg"};
  const std::vector<std::string> list{"Trip_005.JPG", "new.jpg"};
  const std::string asked = "1 file already has a name like Trip_005.JPG. Leave them as they are and number the others from 6?";
  const std::string noneFits = "No file of this folder has a name that fits the naming fields.";
  const std::vector<HighestNumberCase> cases{
      {"digit runs of any width; other names and extensions fit no number", trip,
       {"Trip_9.jpg", "Trip_07.JPG", "Trip_010", "Trip_x.jpg", "Trip_12.tar.gz", "Trip_99a.jpg", "a.jpg"}, {"a.jpg"},
       std::nullopt, 11, {"a.jpg"}, ""},
      {"rows that fit, Yes: left out, the others after the highest", trip, folder, list, kYes, 6, {"new.jpg"}, asked},
      {"rows that fit, No: numbered too, after the files outside the list", trip, folder, list, kNo, 2, list, asked},
      {"rows that fit, No, no file outside fits: from 1", trip, list, list, kNo, 1, list,
       "1 file already has a name like Trip_005.JPG. Leave them as they are and number the others from 6?"},
      {"rows that fit, Cancel", trip, folder, list, kCancel, std::nullopt, list, asked},
      {"no file fits", trip, {"new.jpg", "Trip.jpg"}, {"new.jpg"}, std::nullopt, std::nullopt, {"new.jpg"}, noneFits},
      {"another case fits on a folding volume", trip, {"TRIP_012.jpg", "a.jpg"}, {"a.jpg"}, std::nullopt, 13, {"a.jpg"},
       "", true},
      {"another case fits no number where case counts", trip, {"TRIP_012.jpg", "a.jpg"}, {"a.jpg"}, std::nullopt,
       std::nullopt, {"a.jpg"}, noneFits, false},
      {"date fields fit any date of their shape, the pattern's own text too",
       NamingFields{"{taken:YYYY-MM-DD}_", "_{modified:MMM}", "1", "\"No.\"00"},
       {"2024-05-01_No.07_May.jpg", "2024-5-1_No.99_May.jpg", "2024-05-01_No.98_Mai.jpg", "a.jpg"}, {"a.jpg"},
       std::nullopt, 8, {"a.jpg"}, ""},
  };
  for (const HighestNumberCase& c : cases) {
    SCOPED_TRACE(c.what);
    testing::FakePlatform fake;
    fake.files.AddFolder("/f");
    fake.files.SetVolumeRules("/f", VolumeRules{.foldsCase = c.foldsCase});
    for (const std::string& name : c.folder) fake.files.AddFile("/f/" + name);
    RenameList rows;
    for (const std::string& name : c.list) rows.Add(name);
    if (c.answer) fake.window.choices.push_back(*c.answer);
    EXPECT_EQ(StartAfterHighestNumber(fake.platform(), rows, "/f", c.fields, false), c.start);
    std::vector<std::string> listAfter;
    for (RenameList::Position p = 1; p <= rows.Count(); ++p) listAfter.push_back(rows.Item(p).Text);
    EXPECT_EQ(listAfter, c.listAfter);
    EXPECT_EQ(fake.window.messages.empty() ? "" : fake.window.messages.front().prompt, c.said);
    for (const ChoiceBox& box : fake.window.choiceBoxes) {
      EXPECT_EQ(box.title, "Tolvane");
      EXPECT_EQ(box.buttons, (std::vector<std::string>{"&Yes", "&No", "Cancel"}));
      EXPECT_EQ(box.escapeButton, kCancel);
    }
  }
}

TEST(StartAfterHighestNumber, APatternWhoseNumbersCannotBeReadBackSaysWhy) {
  for (const auto& [pattern, why] : std::vector<std::pair<std::string, std::optional<std::string>>>{
           {"000", std::nullopt},
           {"\"Pic-\"#0\" end\"", std::nullopt},
           {"0;(0)", "The pattern has sections."},
           {"0E+00", "The pattern writes an exponent."},
           {"#,##0", "The pattern groups digits."},
           {"0\"1\"", "The pattern writes digits of its own."},
           {"0-0", "The pattern writes text between its digits."}}) {
    EXPECT_EQ(WhyNumbersCannotBeRead(NamingFields{"", "", "1", pattern}), why) << pattern;
  }
}

}  // namespace
}  // namespace tolvane
