#include <QApplication>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux_drives.h"
#include "platform/linux_file_dates.h"
#include "platform/linux_file_system.h"
#include "platform/linux_settings.h"
#include "platform/linux_system.h"
#include "platform/runtime_folder.h"
#include "window/application.h"
#include "window/command_line.h"
#include "window/form1.h"

namespace {

// The one place that knows the program runs on Linux: the window gets the machine's disk,
// system, drives, the dates of its files and the user's settings.
tolvane::Form1Environment MachineEnvironment() {
  return tolvane::Form1Environment{std::make_unique<tolvane::LinuxFileSystem>(),
                                   std::make_unique<tolvane::LinuxSystem>(), std::make_unique<tolvane::LinuxDrives>(),
                                   std::make_unique<tolvane::LinuxFileDates>(),
                                   std::make_unique<tolvane::LinuxSettings>()};
}

tolvane::CommandLine ReadArguments(int argc, char* argv[]) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return tolvane::ReadCommandLine(arguments, tolvane::LinuxSystem().CurrentFolder().value_or("/"));
}

}  // namespace

int main(int argc, char* argv[]) {
  const tolvane::CommandLine line = ReadArguments(argc, argv);
  switch (line.action) {
    case tolvane::CommandLine::Action::PrintHelp: std::fputs(tolvane::HelpText().c_str(), stdout); return 0;
    case tolvane::CommandLine::Action::PrintVersion: std::fputs(tolvane::VersionText().c_str(), stdout); return 0;
    case tolvane::CommandLine::Action::RefuseOption:
      std::fprintf(stderr, "tolvane: unknown option %s\n%sTry 'tolvane --help' for more information.\n",
                   line.refused.c_str(), tolvane::UsageText().c_str());
      return 2;
    case tolvane::CommandLine::Action::OpenWindow: break;
  }
  // Before the toolkit's threads, which read the environment, start.
  tolvane::ProvideRuntimeFolder();
  // The toolkit sees no argument of the user's: a file named "-style" is a file to rename.
  int toolkitArgc = 1;
  QApplication application(toolkitArgc, argv);
  tolvane::SetUpApplication();
  tolvane::Form1 form1(MachineEnvironment(), line.paths);
  form1.show();
  return QApplication::exec();
}
