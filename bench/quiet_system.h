#pragma once

#include <string>
#include <vector>

#include "platform/linux_system.h"

namespace tolvane::bench {

// The Linux system with an executable folder of the benchmark's own, whose "log" folder
// takes the reports, and no text editor started for them.
class QuietSystem final : public SystemServices {
 public:
  explicit QuietSystem(std::string executableFolder) : executableFolder_(std::move(executableFolder)) {}
  DateTime CurrentDateTime() override { return system_.CurrentDateTime(); }
  MonthNames MonthAbbreviations() override { return system_.MonthAbbreviations(); }
  std::string ExecutableFolder() override { return executableFolder_; }
  void LaunchProgram(const std::vector<std::string>&) override {}
  std::optional<std::string> EnvironmentVariable(const std::string& name) override {
    return system_.EnvironmentVariable(name);
  }

 private:
  LinuxSystem system_;
  std::string executableFolder_;
};

}  // namespace tolvane::bench
