#pragma once

#include <string>

#include "platform/platform.h"

namespace tolvane {

// The settings kept in the file "settings" of the user's configuration folder for Tolvane,
// $XDG_CONFIG_HOME/tolvane (~/.config/tolvane when XDG_CONFIG_HOME is unset or not an absolute
// path), as lines "name=value".
class LinuxSettings final : public Settings {
 public:
  LinuxSettings();
  // For tests: the settings of a folder of their own.
  explicit LinuxSettings(std::string folder) : folder_(std::move(folder)) {}

  bool KeepSets() override;
  void SetKeepSets(bool keep) override;

 private:
  std::string folder_;  // empty where no configuration folder can be named
};

}  // namespace tolvane
