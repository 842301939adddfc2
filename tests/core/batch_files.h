#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/rename_list.h"
#include "tests/support/temp_folder.h"

namespace tolvane::testing {

// One file of a batch, from its old name to the new name a preview gave it.
struct BatchFile {
  std::string oldName;
  std::string newName;
};

// The files of one commit in list order.
using Batch = std::vector<BatchFile>;

// A file's content names the file it was made as, so that where it went can be read back.
std::string ContentOf(const std::string& oldName);

// prefix + first ... prefix + (first + count - 1), each taking the number `offset` higher: an
// offset below `count` makes `offset` chains that run through each other's names.
void AddShifted(Batch& batch, const std::string& prefix, int first, int count, int offset);

// prefix + 0 ... prefix + (count - 1), each taking the next one's name and the last the first's.
void AddCycle(Batch& batch, const std::string& prefix, int count);

// The same files in an order of their own, always the same for the same seed.
Batch Shuffled(Batch batch, unsigned seed);

void WriteBatch(const TempFolder& folder, const Batch& batch);

// Adds the batch to the list as a preview leaves it: new name shown, old name in Tag.
void ListAsPreviewed(RenameList& list, const Batch& batch);

}  // namespace tolvane::testing
