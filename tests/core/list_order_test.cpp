#include "core/list_order.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tolvane {
namespace {

FileDate At(std::int64_t seconds, std::uint32_t nanoseconds = 0) { return FileTime{seconds, nanoseconds}; }

// A list of "text" or "new<old" (a previewed entry), with the rows marked selected and current.
struct Rows {
  std::vector<std::string> entries;
  std::vector<RenameList::Position> selected;
  std::optional<RenameList::Position> current;
};

RenameList ListOf(const Rows& rows) {
  RenameList list;
  for (const std::string& entry : rows.entries) {
    const std::size_t mark = entry.find('<');
    RenameEntry& added = list.Add(entry.substr(0, mark));
    if (mark != std::string::npos) added.Tag = entry.substr(mark + 1);
  }
  for (const RenameList::Position position : rows.selected) list.SetSelected(position, true);
  list.SetCurrent(rows.current);
  return list;
}

Rows RowsOf(const RenameList& list) {
  Rows rows;
  for (RenameList::Position i = 1; i <= list.Count(); ++i) {
    const RenameEntry& entry = list.Item(i);
    rows.entries.push_back(entry.Tag.empty() ? entry.Text : entry.Text + "<" + entry.Tag);
    if (entry.Selected()) rows.selected.push_back(i);
  }
  rows.current = list.SelectedItem();
  return rows;
}

// "n00" to "n39" in steps of `step`, once from each of `firsts`.
std::vector<std::string> Forty(std::initializer_list<int> firsts, int step) {
  std::vector<std::string> names;
  for (const int first : firsts) {
    for (int i = first; i < 40; i += step) names.push_back((i < 10 ? "n0" : "n") + std::to_string(i));
  }
  return names;
}

struct OrderCase {
  const char* what;
  Rows before;
  std::function<void(RenameList&)> operation;
  Rows after;
};

// The orderings while a preview is shown.
void ByName(RenameList& list) { list.Arrange(NameOrder(list, true)); }

TEST(ListOrder, EachOrderingAndMoveKeepsNamesSelectionAndCurrentWithTheirEntries) {
  const std::vector<OrderCase> cases{
      {"by name: natural and case-insensitive, a previewed entry by its old name",
       {{"IMG_10.jpg", "b.jpg", "A01<img_2.jpg", "a.jpg"}, {2}, 1},
       ByName, {{"a.jpg", "b.jpg", "A01<img_2.jpg", "IMG_10.jpg"}, {2}, 4}},
      {"by name after a commit: the names shown are the files' names",
       {{"b.jpg", "c<a.jpg"}, {}, std::nullopt},
       [](RenameList& l) { l.Arrange(NameOrder(l, false)); },
       {{"b.jpg", "c<a.jpg"}, {}, std::nullopt}},
      {"by date: earliest first, equal dates in name order, none last, nanoseconds count",
       {{"d", "c", "b", "a", "e"}, {4}, 4},
       [](RenameList& l) { l.Arrange(DateOrder(l, true, {At(5), std::nullopt, At(5), At(5, 1), At(1)})); },
       {{"e", "b", "d", "a", "c"}, {4}, 4}},
      {"by date: two cameras interleaved by name come out in the order they shot",
       {{"CAM_A_1", "CAM_A_2", "CAM_B_1", "CAM_B_2"}, {}, std::nullopt},
       [](RenameList& l) { l.Arrange(DateOrder(l, true, {At(10), At(30), At(20), At(40)})); },
       {{"CAM_A_1", "CAM_B_1", "CAM_A_2", "CAM_B_2"}, {}, std::nullopt}},
      {"by date: forty entries of two dates keep name order within each (a sort that is not stable "
       "mixes ties past sixteen)",
       {Forty({0}, 1), {}, std::nullopt},
       [](RenameList& l) {
         std::vector<FileDate> dates;
         for (int i = 0; i < 40; ++i) dates.push_back(At(i % 2 == 0 ? 2 : 1));  // n01, n03, ... first
         l.Arrange(DateOrder(l, true, dates));
       },
       {Forty({1, 0}, 2), {}, std::nullopt}},
      {"reverse", {{"a", "b", "c"}, {1}, 1}, [](RenameList& l) { l.Arrange(ReverseOrder(l)); }, {{"c", "b", "a"}, {3}, 3}},
      {"rows up: a run moves as one, a run at the top stays",
       {{"a", "b", "c", "d", "e"}, {1, 3, 4}, 3},
       [](RenameList& l) { l.MoveSelectedRowsUp(); },
       {{"a", "c", "d", "b", "e"}, {1, 2, 3}, 2}},
      {"rows down: previewed names travel as pairs",
       {{"a", "X<b", "c", "d"}, {2, 4}, 2},
       [](RenameList& l) { l.MoveSelectedRowsDown(); },
       {{"a", "c", "X<b", "d"}, {3, 4}, 3}},
      {"rows up with nothing selected does nothing", {{"a", "b"}, {}, 2},
       [](RenameList& l) { l.MoveSelectedRowsUp(); }, {{"a", "b"}, {}, 2}},
      {"rows to the top keep their order", {{"a", "b", "c", "d"}, {2, 4}, 4},
       [](RenameList& l) { l.MoveSelectedRowsTo(1); }, {{"b", "d", "a", "c"}, {1, 2}, 2}},
      {"rows to the end", {{"a", "b", "c", "d"}, {1, 3}, 1},
       [](RenameList& l) { l.MoveSelectedRowsTo(5); }, {{"b", "d", "a", "c"}, {3, 4}, 3}},
      {"rows dropped before a row in the middle, the unselected current follows its entry",
       {{"a", "b", "c", "d", "e"}, {1, 5}, 3},
       [](RenameList& l) { l.MoveSelectedRowsTo(4); },
       {{"b", "c", "a", "e", "d"}, {3, 4}, 2}},
      {"rows dropped onto a selected row go before the next unselected one",
       {{"a", "b", "c", "d"}, {1, 2}, 1},
       [](RenameList& l) { l.MoveSelectedRowsTo(2); },
       {{"a", "b", "c", "d"}, {1, 2}, 1}},
      {"an empty list orders to nothing", {{}, {}, std::nullopt}, ByName,
       {{}, {}, std::nullopt}},
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(c.what);
    RenameList list = ListOf(c.before);
    c.operation(list);
    const Rows after = RowsOf(list);
    EXPECT_EQ(after.entries, c.after.entries);
    EXPECT_EQ(after.selected, c.after.selected);
    EXPECT_EQ(after.current, c.after.current);
  }
}

TEST(ListOrder, AnArrangedListIsOneOfItsOwnAndAWrongOrderIsRefused) {
  const RenameList list = ListOf({{"b", "a"}, {}, std::nullopt});
  EXPECT_EQ(RowsOf(list.Arranged(NameOrder(list, true))).entries, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(RowsOf(list).entries, (std::vector<std::string>{"b", "a"}));
  EXPECT_THROW(list.Arranged({0}), Error);
  EXPECT_THROW(list.Arranged({1, 1}), Error);
  EXPECT_THROW(DateOrder(list, true, {At(1)}), Error);
  EXPECT_THROW(ListOf({{"a"}, {}, std::nullopt}).MoveSelectedRowsTo(3), Error);
}

}  // namespace
}  // namespace tolvane
