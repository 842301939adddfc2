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
      // exFAT up-cases by its own table, ASCII written small; "\u0131" and "i", "\u1E9E" and
      // "\u00DF", "\u00B5" and "\u03BC", the Kelvin sign and "k" stay apart.
      {"IMG_01.jpg", "img_01.jpg", kExfat},
      {"\xC3\xA9" "cole", "\xC3\x89" "cole", kExfat},                          // école
      {"\xCE\xA3\xCE\x86\xCF\x82", "\xCE\xA3\xCE\x86\xCE\xA3", kExfat},      // ΣΆς: final sigma too
      {"\xC4\xB1i", "\xC4\xB1i", kExfat},                                     // ıi
      {"\xE1\xBA\x9E\xC3\x9F", "\xE1\xBA\x9E\xC3\x9F", kExfat},             // ẞß
      {"\xC2\xB5\xCE\xBC", "\xC2\xB5\xCE\x9C", kExfat},                       // µμ
      {"\xE2\x84\xAA", "\xE2\x84\xAA", kExfat},                               // the Kelvin sign
      {"\xC3\xBF\xEF\xBD\x81", "\xC5\xB8\xEF\xBC\xA1", kExfat},             // ÿ, fullwidth a
      {"\xF0\x90\x90\xA8", "\xF0\x90\x90\xA8", kExfat},                       // Deseret, beyond 16 bits
      {"a\xFF", "a\xFF", kExfat},                                            // not UTF-8: kept
  };
  for (const auto& c : cases) EXPECT_EQ(FoldCase(c.name, c.table), c.folded) << c.name;
}

}  // namespace
}  // namespace tolvane
