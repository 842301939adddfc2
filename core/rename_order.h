#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tolvane {

class BatchNames;

// One file of a batch going from its old name to its new one, both in the same folder. The
// names are viewed where the batch keeps them, never copied.
struct NameMove {
  std::string_view from;
  std::string_view to;
};

// One rename on disk. A move that closes a cycle of names goes in two parts: first to its
// temporary name, and back from it once the rest of the cycle has moved.
struct RenameStep {
  enum class Part : unsigned char { Whole, ToTemporary, FromTemporary };
  std::uint32_t move;  // index into the moves; four bytes, as a batch has fewer moves than names
  Part part;
};

// The renames of a batch in an order in which no rename meets a file of its new name.
class RenameOrder {
 public:
  std::vector<RenameStep> steps;

  const std::string& TemporaryNameOf(std::size_t move) const { return temporaryNames_.at(move); }
  bool HasTemporaryName(std::size_t move) const { return temporaryNames_.contains(move); }
  // For an order read back from where it was kept: the move's file waits under `name`.
  void SetTemporaryName(std::size_t move, std::string name) { temporaryNames_[move] = std::move(name); }
  // The old and the new name of one step.
  std::pair<std::string_view, std::string_view> NamesOf(const RenameStep& step, const std::vector<NameMove>& moves) const;

 private:
  friend class RenameOrderBuilder;
  std::unordered_map<std::size_t, std::string> temporaryNames_;
};

// The name a file waits under while its cycle moves: it says what it is and whose file it
// is, is cut to 255 bytes, and is held neither by an item of the folder nor by a new name.
inline constexpr std::string_view kTemporaryPrefix = "tolvane-moving";

// Orders the moves so that a file moves only after the file holding its new name has moved
// away; a cycle is broken through a temporary name, one cycle at a time, so that at most one
// file stands under a temporary name at any moment. The moves are those of the entries of
// `names` that change their names, in list order (as CollectMoves gives them), and the batch
// has passed CheckBatch: distinct old names, distinct new names, and new names that no item
// of the folder holds unless it moves away.
RenameOrder OrderRenames(const std::vector<NameMove>& moves, const BatchNames& names);

}  // namespace tolvane
