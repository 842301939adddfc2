#include "core/list_order.h"

#include <algorithm>
#include <numeric>
#include <tuple>
#include <utility>

#include "platform/error.h"
#include "platform/natural_order.h"

namespace tolvane {

std::vector<std::string_view> FileNamesOf(const RenameList& list, bool previewShown) {
  std::vector<std::string_view> names;
  names.reserve(list.Count());
  for (RenameList::Position position = 1; position <= list.Count(); ++position) {
    names.push_back(FileNameOf(list.Item(position), previewShown));
  }
  return names;
}

ListOrder NameOrder(const RenameList& list, bool previewShown) {
  const std::vector<std::string_view> names = FileNamesOf(list, previewShown);
  // A list as the folder loaded it is in name order already, and one walk tells so.
  if (std::is_sorted(names.begin(), names.end(), NaturalLess)) return UnchangedOrder(names.size());
  const NaturalOrder natural(names.size(), [&names](std::size_t i) { return names[i]; });
  ListOrder order(natural.size());
  for (std::size_t i = 0; i < natural.size(); ++i) order[i] = natural[i];
  return order;
}

ListOrder DateOrder(const RenameList& list, bool previewShown, const std::vector<FileDate>& dates) {
  if (dates.size() != list.Count()) {
    throw Error(ErrorNumber::SubscriptOutOfRange, "Subscript out of range: " + std::to_string(dates.size()) +
                                                      " dates for " + std::to_string(list.Count()) + " entries");
  }
  // A stable sort of the entries in name order leaves entries of one date in name order. The
  // dates are gathered beside their entries first, so that the sort reads them in sequence.
  struct Keyed {
    bool undated;
    FileTime time;
    std::size_t index;
  };
  const ListOrder byName = NameOrder(list, previewShown);
  std::vector<Keyed> keyed;
  keyed.reserve(byName.size());
  for (const std::size_t index : byName) {
    const FileDate& date = dates[index];
    keyed.push_back(Keyed{!date.has_value(), date.value_or(FileTime{}), index});
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    return std::tie(a.undated, a.time) < std::tie(b.undated, b.time);
  });
  ListOrder order(keyed.size());
  std::transform(keyed.begin(), keyed.end(), order.begin(), [](const Keyed& k) { return k.index; });
  return order;
}

ListOrder ReverseOrder(const RenameList& list) {
  ListOrder order(list.Count());
  std::iota(order.rbegin(), order.rend(), std::size_t{0});
  return order;
}

}  // namespace tolvane
