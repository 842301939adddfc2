#include "core/date_fields.h"

#include <algorithm>
#include <array>

namespace tolvane {

namespace {

// A field's opening, after its "{", up to the pattern.
constexpr std::string_view kTaken = "taken:";
constexpr std::string_view kModified = "modified:";

void AppendDateShape(std::string& out, const std::vector<DatePart>& parts, const MonthNames& months) {
  for (const DatePart& part : parts) {
    if (!part.code) {
      out.append(RegexEscaped(std::string_view(&part.literal, 1)));
    } else if (*part.code == DateCode::MonthName) {
      out.append("(?:");
      for (std::size_t i = 0; i < months.size(); ++i) {
        if (i > 0) out.push_back('|');
        out.append(RegexEscaped(months[i]));
      }
      out.append(")");
    } else {
      out.append("[0-9]{").append(std::to_string(DigitsOf(*part.code))).append(",}");
    }
  }
}

}  // namespace

std::string RegexEscaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

DatedText::DatedText(std::string_view text) {
  std::size_t textStart = 0;
  std::size_t pos = 0;
  while ((pos = text.find('{', pos)) != std::string_view::npos) {
    const std::string_view rest = text.substr(pos + 1);
    const Kind kind = rest.starts_with(kTaken) ? Kind::Taken : rest.starts_with(kModified) ? Kind::Modified : Kind::Text;
    const std::size_t patternStart = pos + 1 + (kind == Kind::Taken ? kTaken.size() : kModified.size());
    const std::size_t close = text.find('}', pos);
    if (kind == Kind::Text || close == std::string_view::npos || close <= patternStart) {
      ++pos;
      continue;
    }
    if (pos > textStart) pieces_.push_back(Piece{Kind::Text, std::string(text.substr(textStart, pos - textStart)), {}});
    pieces_.push_back(Piece{kind, {}, ReadDatePattern(text.substr(patternStart, close - patternStart))});
    pos = textStart = close + 1;
  }
  if (textStart < text.size()) pieces_.push_back(Piece{Kind::Text, std::string(text.substr(textStart)), {}});
}

bool DatedText::HasFields() const {
  return std::any_of(pieces_.begin(), pieces_.end(), [](const Piece& p) { return p.kind != Kind::Text; });
}

bool DatedText::UsesTaken() const {
  return std::any_of(pieces_.begin(), pieces_.end(), [](const Piece& p) { return p.kind == Kind::Taken; });
}

std::string DatedText::Written(const NameDates& dates, const MonthNames& months) const {
  std::string out;
  for (const Piece& piece : pieces_) {
    if (piece.kind == Kind::Text) {
      out.append(piece.text);
      continue;
    }
    const std::optional<DateTime>& date = piece.kind == Kind::Taken && dates.taken ? dates.taken : dates.modified;
    // A file that is gone has no date to write; the check of the preview says it is gone.
    if (date) AppendDateTime(out, *date, piece.parts, months);
  }
  return out;
}

std::string DatedText::Shape(const MonthNames& months) const {
  std::string out;
  for (const Piece& piece : pieces_) {
    if (piece.kind == Kind::Text) {
      out.append(RegexEscaped(piece.text));
    } else {
      AppendDateShape(out, piece.parts, months);
    }
  }
  return out;
}

}  // namespace tolvane
