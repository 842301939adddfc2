#include "tests/core/batch_files.h"

#include <algorithm>
#include <random>

namespace tolvane::testing {

std::string ContentOf(const std::string& oldName) { return "content of " + oldName; }

void AddShifted(Batch& batch, const std::string& prefix, int first, int count, int offset) {
  for (int number = first; number < first + count; ++number) {
    batch.push_back({prefix + std::to_string(number), prefix + std::to_string(number + offset)});
  }
}

void AddCycle(Batch& batch, const std::string& prefix, int count) {
  for (int number = 0; number < count; ++number) {
    batch.push_back({prefix + std::to_string(number), prefix + std::to_string((number + 1) % count)});
  }
}

Batch Shuffled(Batch batch, unsigned seed) {
  std::shuffle(batch.begin(), batch.end(), std::mt19937(seed));
  return batch;
}

void WriteBatch(const TempFolder& folder, const Batch& batch) {
  for (const BatchFile& file : batch) folder.WriteFile(file.oldName, ContentOf(file.oldName));
}

void ListAsPreviewed(RenameList& list, const Batch& batch) {
  for (const BatchFile& file : batch) list.Add(file.newName).Tag = file.oldName;
}

}  // namespace tolvane::testing
