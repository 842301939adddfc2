#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/linux_system.h"

namespace tolvane::bench {

// The Linux system with an executable folder of the benchmark's own, whose "log" folder
// takes the reports, no text editor started for them, and the current folder the benchmark
// names (the process's own when it names none), and a state folder in the executable folder.
class QuietSystem final : public SystemServices {
 public:
  explicit QuietSystem(std::string executableFolder, std::optional<std::string> currentFolder = std::nullopt)
      : executableFolder_(std::move(executableFolder)), currentFolder_(std::move(currentFolder)) {}
  DateTime CurrentDateTime() override { return system_.CurrentDateTime(); }
  MonthNames MonthAbbreviations() override { return system_.MonthAbbreviations(); }
  std::string ExecutableFolder() override { return executableFolder_; }
  std::optional<std::string> CurrentFolder() override {
    return currentFolder_ ? currentFolder_ : system_.CurrentFolder();
  }
  void LaunchProgram(const std::vector<std::string>&) override {}
  // The journals and the records of the benchmark's batches stay in its own folders, out of
  // the user's state folder.
  std::optional<std::string> EnvironmentVariable(const std::string& name) override {
    if (name == "XDG_STATE_HOME") return executableFolder_ + "/state";
    return system_.EnvironmentVariable(name);
  }

 private:
  LinuxSystem system_;
  std::string executableFolder_;
  std::optional<std::string> currentFolder_;
};

}  // namespace tolvane::bench
