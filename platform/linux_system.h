#pragma once

#include <chrono>

#include "platform/platform.h"

namespace tolvane {

class LinuxSystem final : public SystemServices {
 public:
  // How long a launch watches the program for a failure at its start. xdg-open that finds
  // nothing to open a file with ends within a second; one that opens it either ends at once
  // with success or stays with the editor it runs.
  static constexpr std::chrono::milliseconds kLaunchWatch{2000};

  explicit LinuxSystem(std::chrono::milliseconds launchWatch = kLaunchWatch) : launchWatch_(launchWatch) {}

  DateTime CurrentDateTime() override;
  MonthNames MonthAbbreviations() override;
  std::string ExecutableFolder() override;
  std::optional<std::string> CurrentFolder() override;
  void LaunchProgram(const std::vector<std::string>& arguments) override;
  std::optional<std::string> EnvironmentVariable(const std::string& name) override;

 private:
  std::chrono::milliseconds launchWatch_;
};

}  // namespace tolvane
