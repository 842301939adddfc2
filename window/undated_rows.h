#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/rename_list.h"
#include "platform/file_dates.h"

namespace tolvane {

// The rows of a preview whose names wrote a date taken that their files do not tell, so that
// their modification time stood in for it: each such row's tip says so, and a line under the
// list counts them. A row is known by its name before the preview, which travels with it.
class UndatedRows {
 public:
  // After a preview whose names wrote dates taken: `dates` are its entries' dates, in list order.
  void Show(const RenameList& list, const std::vector<NameDates>& dates);
  void Clear();

  bool Holds(const RenameEntry& entry) const;
  // "12 of 320 files have no date taken: their modification time was used"; empty when none.
  QString Line() const;

 private:
  std::unordered_set<std::string> oldNames_;
  std::size_t total_ = 0;
};

}  // namespace tolvane
