#pragma once

#include "platform/platform.h"

namespace tolvane {

class LinuxSystem final : public SystemServices {
 public:
  DateTime CurrentDateTime() override;
  MonthNames MonthAbbreviations() override;
  std::string ExecutableFolder() override;
  void LaunchProgram(const std::vector<std::string>& arguments) override;
};

}  // namespace tolvane
