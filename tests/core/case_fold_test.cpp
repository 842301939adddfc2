#include "core/case_fold.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

TEST(FoldCaseTest, FoldsEveryScriptsCaseByTheVolumesTableAndKeepsBytesThatAreNotUtf8) {
  constexpr CaseTable kExfat = CaseTable::Exfat;
  const struct {
    const char* name;
    const char* folded;
    CaseTable table = CaseTable::Unicode;
  } cases[] = {
      {"IMG_01.JPG", "img_01.jpg"},
      {"\xC3\x89" "COLE", "\xC3\xA9" "cole"},                                 // ÉCOLE
      {"\xCE\xA3\xCE\x86\xCF\x82", "\xCF\x83\xCE\xAC\xCF\x83"},              // ΣΆς: final sigma too
      {"\xD0\xA4\xD0\x9E\xD0\xA2\xD0\x9E", "\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE"},  // ФОТО
      {"\xC4\x80\xC4\x81", "\xC4\x81\xC4\x81"},                              // Āā: alternating pairs
      {"\xE2\x84\xAA", "k"},                                                 // the Kelvin sign
      {"\xEF\xBC\xA1", "\xEF\xBD\x81"},                                      // fullwidth A
      {"\xF0\x90\x90\x80", "\xF0\x90\x90\xA8"},                              // Deseret, beyond 16 bits
      {"A\xFF\xC3", "a\xFF\xC3"},                                            // not UTF-8: kept
      {"\xC0\x81Z", "\xC0\x81z"},                                            // an overlong form: kept
      // exFAT up-cases by its own table, ASCII written small: ı and i, ẞ and ß, µ and μ, the
      // Kelvin sign and k stay apart; σ and ς, ÿ and Ÿ do not; beyond 16 bits nothing folds.
      {"IMG_\xC3\xA9\xCF\x83\xCF\x82\xC3\xBF", "img_\xC3\x89\xCE\xA3\xCE\xA3\xC5\xB8", kExfat},
      {"\xC4\xB1i\xE1\xBA\x9E\xC3\x9F\xC2\xB5\xCE\xBC\xE2\x84\xAAk",
       "\xC4\xB1i\xE1\xBA\x9E\xC3\x9F\xC2\xB5\xCE\x9C\xE2\x84\xAAk", kExfat},
      {"\xF0\x90\x90\xA8\xFF", "\xF0\x90\x90\xA8\xFF", kExfat},
  };
  for (const auto& c : cases) EXPECT_EQ(FoldCase(c.name, c.table), c.folded) << c.name;
}

}  // namespace
}  // namespace tolvane
