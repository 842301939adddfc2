#pragma once

#include <cstddef>
#include <string>

namespace tolvane {

// The name a stem takes on its `attempt`-th try, when the tries before found their names
// taken: the stem itself, then "<stem>-2", "<stem>-3", and on.
inline std::string NumberedName(std::string stem, std::size_t attempt) {
  if (attempt > 1) stem.append("-").append(std::to_string(attempt));
  return stem;
}

}  // namespace tolvane
