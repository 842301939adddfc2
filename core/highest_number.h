#pragma once

#include <cstdint>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "core/name_composer.h"
#include "core/rename_list.h"
#include "platform/platform.h"

namespace tolvane {

// Why the numbers of the naming fields' names cannot be read back from them ("The pattern
// groups digits."), or nothing when they can.
std::optional<std::string> WhyNumbersCannotBeRead(const NamingFields& fields);

// Reads the number back from a name that fits the naming fields: the prefix before, a run of
// digits of any width, the prefix after, then a dot and an extension, or no extension. A
// date field of a prefix fits any date of its pattern's shape.
class NumberReader {
 public:
  // The fields' numbers must be readable (WhyNumbersCannotBeRead says nothing). On a volume
  // that folds case, a name fits in any case.
  NumberReader(const NamingFields& fields, const MonthNames& months, const VolumeRules& rules);

  // The name's number, or nothing when the name does not fit; a number too large for 64 bits
  // is read as the largest.
  std::optional<std::uint64_t> NumberOf(std::string_view name) const;

 private:
  std::optional<CaseTable> folding_;
  std::regex shape_;
};

// The highest numbers among a folder's files that fit the naming fields.
struct HighestNumbers {
  std::optional<std::uint64_t> highest;             // of every file that fits
  std::optional<std::uint64_t> highestOutsideList;  // of those the list does not hold
  std::vector<RenameList::Position> fittingRows;    // the list's rows whose files fit
};

HighestNumbers FindHighestNumbers(const NumberReader& reader, const std::vector<FolderItem>& items,
                                  const RenameList& list, bool previewShown);

// The number after `highest`, or 1 after none, as a start for the naming fields; raises
// Overflow when it does not fit a sequence number.
std::int32_t StartAfter(std::optional<std::uint64_t> highest);

// "&Start After the Highest Number": reads the names of the folder at `folder` and gives the
// start that numbers the list after the highest number among the files that fit the naming
// fields. Where rows of the list fit, it asks whether to leave them as they are (Yes drops
// them from the list) or to number them too (No: the start follows the files outside the
// list). Nothing, and nothing changed, on Cancel or when no file fits, which it says.
std::optional<std::int32_t> StartAfterHighestNumber(Platform platform, RenameList& list, const std::string& folder,
                                                    const NamingFields& fields, bool previewShown);

}  // namespace tolvane
