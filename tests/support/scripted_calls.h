#pragma once

#include <sys/types.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/no_replace_rename.h"

namespace tolvane::testing {

// When one system call fails: the errnos of its next calls in turn (0 lets a call through),
// then `after` for every later one (0: none fails).
struct CallFailures {
  std::deque<int> next;
  int after = 0;
  int Take();
};

// A folder with the sticky bit, owned by `folderOwner`, whose files belong to `fileOwner`,
// seen by the user `user`.
struct StickyFolder {
  uid_t user;
  uid_t folderOwner;
  uid_t fileOwner;
};

// Stand-ins for the system calls of the renames, for one test at a time: each does what the
// kernel's does, except where this script says it fails, and each but fstatat is noted.
class ScriptedCalls {
 public:
  ScriptedCalls();
  ~ScriptedCalls();
  ScriptedCalls(const ScriptedCalls&) = delete;
  ScriptedCalls& operator=(const ScriptedCalls&) = delete;

  static const no_replace_rename::SystemCalls& Table();

  CallFailures renameat2;
  CallFailures linkat;
  CallFailures unlinkat;
  CallFailures renameat;
  CallFailures fsync;
  // Runs right before a lock is taken, as another window letting go of a file would.
  std::function<void()> beforeFlock;
  // What a failing renameat does before it fails: nothing; takes the old name away, as fusefat
  // does with a name it refuses; or renames all the same, as a share whose answer was lost.
  enum class FailedRenameat { TouchesNothing, TakesOldName, Renames };
  FailedRenameat failedRenameat = FailedRenameat::TouchesNothing;
  std::optional<StickyFolder> sticky;
  // "renameat2 a b", "linkat a b", "unlinkat a", "renameat a b", "fsync", in the order made.
  std::vector<std::string> made;
};

}  // namespace tolvane::testing
