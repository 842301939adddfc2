#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolvane {

// Writes a signed 32-bit number after a numeric pattern ("00", "#,##0", "Pic-000;(0)").
// The pattern language is described in the README. A pattern is never rejected.
std::string FormatNumber(std::int32_t number, std::string_view pattern);

}  // namespace tolvane
