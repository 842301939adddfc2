#pragma once

#include <algorithm>
#include <string>

#include "tests/core/batch_files.h"

namespace tolvane::testing {

// The batch the crash test kills: most files renumbered by a hundredth of the batch, so that
// nearly every new name is another file's old name, and a twentieth going round one long
// cycle, some swaps and a three-file cycle, each of which waits on a temporary name.
inline Batch CrashBatch(int files) {
  Batch batch;
  const int longCycle = files / 20;
  const int swaps = files / 40;
  const int threeCycle = 3;
  AddShifted(batch, "", 1, files - longCycle - 2 * swaps - threeCycle, std::max(1, files / 100));
  AddCycle(batch, "r", longCycle);
  for (int swap = 0; swap < swaps; ++swap) AddCycle(batch, "s" + std::to_string(swap) + "-", 2);
  AddCycle(batch, "t", threeCycle);
  return batch;
}

}  // namespace tolvane::testing
