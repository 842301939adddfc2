#pragma once

#include <string>
#include <string_view>

namespace tolvane {

// Appends `name` so that it stays on one line: a line feed is written "\n", a carriage
// return "\r", and a backslash is doubled only where it would otherwise read as the start
// of one of those ("\n", "\r", "\\"). Every other byte, invalid UTF-8 included, is copied
// as it is, so ordinary names read unchanged and every written form has one reading.
void AppendEscapedName(std::string& out, std::string_view name);

std::string EscapedName(std::string_view name);

// The escaped name between double quotes, as messages name files.
void AppendQuotedName(std::string& out, std::string_view name);

}  // namespace tolvane
