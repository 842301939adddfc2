#include "window/displayed_text.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/window/window_harness.h"

namespace tolvane {
namespace {

// Every byte of a name counts, a NUL too; a byte that is not UTF-8 is shown, not dropped.
TEST(DisplayedTextTest, ShowsEveryByteOfAName) {
  struct Case {
    std::string bytes;
    QString shown;
  };
  const Case cases[] = {
      {"plain.jpg", QStringLiteral("plain.jpg")},
      {"caf\xc3\xa9.jpg", QStringLiteral(u"caf\u00e9.jpg")},
      {std::string("a\0b", 3), QString(QStringLiteral("a")) + QChar(0) + QStringLiteral("b")},
      {"\xff.jpg", QStringLiteral(u"\ufffd.jpg")},
      {"\xfe\xff", QStringLiteral(u"\ufffd\ufffd")},
      {"cut\xc3", QStringLiteral(u"cut\ufffd")},
      {"", QString()},
  };
  for (const Case& c : cases) EXPECT_EQ(DisplayedText(c.bytes), c.shown) << c.bytes;
}

}  // namespace
}  // namespace tolvane
