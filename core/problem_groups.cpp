#include "core/problem_groups.h"

#include <algorithm>

#include "core/name_escape.h"
#include "platform/count_text.h"

namespace tolvane {

namespace {

// Names told of each kind; the rest are counted.
constexpr std::size_t kNamesTold = 5;

}  // namespace

void ProblemGroups::Add(const ProblemKindText& kind, std::string_view name) {
  auto group = std::find_if(groups_.begin(), groups_.end(), [&](const Group& g) { return g.kind.one == kind.one; });
  if (group == groups_.end()) group = groups_.insert(groups_.end(), Group{kind, 0, {}});
  ++group->count;
  if (group->firstNames.size() < kNamesTold) group->firstNames.emplace_back(name);
}

std::string ProblemGroups::Describe() const {
  std::string text;
  for (const Group& group : groups_) {
    if (!text.empty()) text += "\n";
    text += CountText(group.count) + " " + (group.count == 1 ? group.kind.one : group.kind.many) + ": ";
    for (std::size_t named = 0; named < group.firstNames.size(); ++named) {
      if (named > 0) text += ", ";
      AppendQuotedName(text, group.firstNames[named]);
    }
    if (group.count > group.firstNames.size()) {
      text += ", \u2026 and " + CountText(group.count - group.firstNames.size()) + " more";
    }
    text += ".";
    if (!group.kind.advice.empty()) text += " " + group.kind.advice;
  }
  return text;
}

}  // namespace tolvane
