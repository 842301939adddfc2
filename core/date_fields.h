#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/name_composer.h"
#include "platform/date_format.h"
#include "platform/file_dates.h"

namespace tolvane {

// A prefix with its date fields: "{taken:PATTERN}" writes the file's date taken, or its
// modification time where it tells none; "{modified:PATTERN}" writes its modification time.
// PATTERN takes the codes of the report's stamp. Only these two complete forms are fields:
// any other text, braces included ("{", "{x}", "{taken", "{taken:}"), stands as typed.
class DatedText {
 public:
  explicit DatedText(std::string_view text);

  bool HasFields() const;
  bool UsesTaken() const;
  // The text with each field written for a file of `dates`.
  std::string Written(const NameDates& dates, const MonthNames& months) const;
  // A regular expression (ECMAScript) that matches every text Written gives, whatever the
  // dates: each field matches any date of its pattern's shape.
  std::string Shape(const MonthNames& months) const;

 private:
  enum class Kind : unsigned char { Text, Taken, Modified };
  struct Piece {
    Kind kind;
    std::string text;              // of a Text piece
    std::vector<DatePart> parts;  // of a field
  };
  std::vector<Piece> pieces_;
};

// The date fields of both prefixes, read once for a whole preview.
class NamingDates {
 public:
  explicit NamingDates(const NamingFields& fields) : before_(fields.PrefixBefore), after_(fields.PrefixAfter) {}

  bool HasFields() const { return before_.HasFields() || after_.HasFields(); }
  bool UsesTaken() const { return before_.UsesTaken() || after_.UsesTaken(); }
  // What a read of the entries' dates has to read.
  DateKind KindToRead() const { return UsesTaken() ? DateKind::Taken : DateKind::Modified; }
  // The texts before and after the number of one entry whose file has `dates`.
  std::pair<std::string, std::string> Prefixes(const NameDates& dates, const MonthNames& months) const {
    return {before_.Written(dates, months), after_.Written(dates, months)};
  }
  const DatedText& Before() const { return before_; }
  const DatedText& After() const { return after_; }

 private:
  DatedText before_;
  DatedText after_;
};

// The text as a regular expression (ECMAScript) that matches it and nothing else.
std::string RegexEscaped(std::string_view text);

// The dates of a list's entries for their names, in list order, and the month names written.
struct EntryDates {
  std::vector<NameDates> dates;
  MonthNames months;
};

}  // namespace tolvane
