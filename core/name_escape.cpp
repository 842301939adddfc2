#include "core/name_escape.h"

#include <algorithm>

namespace tolvane {

namespace {

bool StartsEscape(char c) { return c == 'n' || c == 'r' || c == '\\' || c == '\n' || c == '\r'; }

bool NeedsEscape(char c) { return c == '\\' || c == '\n' || c == '\r'; }

}  // namespace

void AppendEscapedName(std::string& out, std::string_view name) {
  // One pass of plain comparisons: a report of a million entries asks this two million times.
  if (std::none_of(name.begin(), name.end(), NeedsEscape)) {
    out.append(name);
    return;
  }
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c == '\n') {
      out.append("\\n");
    } else if (c == '\r') {
      out.append("\\r");
    } else if (c == '\\' && i + 1 < name.size() && StartsEscape(name[i + 1])) {
      out.append("\\\\");
    } else {
      out.push_back(c);
    }
  }
}

std::string EscapedName(std::string_view name) {
  std::string out;
  AppendEscapedName(out, name);
  return out;
}

void AppendQuotedName(std::string& out, std::string_view name) {
  out.push_back('"');
  AppendEscapedName(out, name);
  out.push_back('"');
}

}  // namespace tolvane
