#include "core/highest_number.h"

#include <algorithm>
#include <limits>
#include <unordered_set>
#include <variant>

#include "core/case_fold.h"
#include "core/date_fields.h"
#include "core/list_order.h"
#include "platform/count_text.h"
#include "platform/error.h"

namespace tolvane {

namespace {

std::uint64_t DigitsValue(std::string_view digits) {
  std::uint64_t value = 0;
  for (const char c : digits) {
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return std::numeric_limits<std::uint64_t>::max();
    value = value * 10 + digit;
  }
  return value;
}

void KeepHighest(std::optional<std::uint64_t>& highest, std::uint64_t number) {
  if (!highest || number > *highest) highest = number;
}

}  // namespace

std::optional<std::string> WhyNumbersCannotBeRead(const NamingFields& fields) {
  const auto readBack = NumberPattern(fields.SequencePattern).ReadBack();
  if (const auto* why = std::get_if<std::string>(&readBack)) return "The pattern " + *why + ".";
  return std::nullopt;
}

NumberReader::NumberReader(const NamingFields& fields, const MonthNames& months, const VolumeRules& rules) {
  const auto frame = std::get<NumberPattern::Frame>(NumberPattern(fields.SequencePattern).ReadBack());
  const NamingDates dates(fields);
  std::string shape = dates.Before().Shape(months) + RegexEscaped(frame.before) + "([0-9]+)" +
                      RegexEscaped(frame.after) + dates.After().Shape(months) + "(?:\\.[^.]*)?";
  if (rules.foldsCase) {
    // Folding leaves the regular expression's own signs alone: they are ASCII punctuation and digits.
    folding_ = rules.caseTable;
    shape = FoldCase(shape, *folding_);
  }
  shape_ = std::regex(shape, std::regex::ECMAScript | std::regex::optimize);
}

std::optional<std::uint64_t> NumberReader::NumberOf(std::string_view name) const {
  const std::string folded = folding_ ? FoldCase(name, *folding_) : std::string(name);
  std::smatch match;
  if (!std::regex_match(folded, match, shape_)) return std::nullopt;
  return DigitsValue(match.str(1));
}

HighestNumbers FindHighestNumbers(const NumberReader& reader, const std::vector<FolderItem>& items,
                                  const RenameList& list, bool previewShown) {
  const std::vector<std::string_view> listed = FileNamesOf(list, previewShown);
  const std::unordered_set<std::string_view> inList(listed.begin(), listed.end());
  HighestNumbers found;
  for (const FolderItem& item : items) {
    if (item.kind != FolderItemKind::File) continue;
    const std::optional<std::uint64_t> number = reader.NumberOf(item.name);
    if (!number) continue;
    KeepHighest(found.highest, *number);
    if (!inList.contains(item.name)) KeepHighest(found.highestOutsideList, *number);
  }
  for (std::size_t i = 0; i < listed.size(); ++i) {
    if (reader.NumberOf(listed[i])) found.fittingRows.push_back(i + 1);
  }
  return found;
}

std::int32_t StartAfter(std::optional<std::uint64_t> highest) {
  if (!highest) return 1;
  if (*highest >= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) throw Error::Overflow();
  return static_cast<std::int32_t>(*highest + 1);
}

std::optional<std::int32_t> StartAfterHighestNumber(Platform platform, RenameList& list, const std::string& folder,
                                                    const NamingFields& fields, bool previewShown) {
  const MonthNames months = platform.system.MonthAbbreviations();
  HighestNumbers found;
  platform.window.RunLongWork([&] {
    const std::unique_ptr<OpenedFolder> opened = platform.files.OpenFolder(folder);
    const std::vector<FolderItem> items = opened->ReadItems();
    const NumberReader reader(fields, months, opened->Rules(items));
    found = FindHighestNumbers(reader, items, list, previewShown);
  });
  if (!found.highest) {
    platform.window.ShowMessage("No file of this folder has a name that fits the naming fields.", MessageButtons::Ok,
                                std::string("Tolvane"));
    return std::nullopt;
  }
  if (found.fittingRows.empty()) return StartAfter(found.highest);
  const std::int32_t start = StartAfter(found.highest);
  const std::size_t fitting = found.fittingRows.size();
  const ChoiceBox box{CountText(fitting) + (fitting == 1 ? " file already has a name like " : " files already have names like ") +
                          std::string(FileNameOf(list.Item(found.fittingRows.front()), previewShown)) +
                          ". Leave them as they are and number the others from " + std::to_string(start) + "?",
                      "Tolvane",
                      {"&Yes", "&No", "Cancel"},
                      0,
                      2};
  switch (platform.window.AskChoice(box)) {
    case 0:
      for (auto row = found.fittingRows.rbegin(); row != found.fittingRows.rend(); ++row) list.Remove(*row);
      return start;
    case 1: return StartAfter(found.highestOutsideList);
    default: return std::nullopt;
  }
}

}  // namespace tolvane
