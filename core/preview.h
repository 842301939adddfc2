#pragma once

#include <string>

#include "core/name_composer.h"
#include "core/rename_list.h"
#include "platform/platform.h"

namespace tolvane {

// Which of the three preview buttons may be used.
struct PreviewFlags {
  bool simulate = true;
  bool rename = false;
  bool undo = false;
  friend bool operator==(const PreviewFlags&, const PreviewFlags&) = default;
};

// The preview, its undo and the commit of a RenameList, with the state of their buttons.
class Preview {
 public:
  explicit Preview(RenameList& list) : list_(list) {}

  const PreviewFlags& Flags() const { return flags_; }

  void Simulate(const NamingFields& fields);
  void Undo();
  // Asks, checks the whole batch, renames the files of `folderPath` and writes the report.
  void Rename(Platform platform, const std::string& folderPath);

 private:
  RenameList& list_;
  PreviewFlags flags_;
};

}  // namespace tolvane
