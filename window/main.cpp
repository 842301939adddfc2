#include <QApplication>
#include <memory>

#include "platform/linux_drives.h"
#include "platform/linux_file_dates.h"
#include "platform/linux_file_system.h"
#include "platform/linux_system.h"
#include "platform/runtime_folder.h"
#include "window/application.h"
#include "window/form1.h"

namespace {

// The one place that knows the program runs on Linux: the window gets the machine's disk,
// system, drives and the dates of its files.
tolvane::Form1Environment MachineEnvironment() {
  return tolvane::Form1Environment{std::make_unique<tolvane::LinuxFileSystem>(),
                                   std::make_unique<tolvane::LinuxSystem>(), std::make_unique<tolvane::LinuxDrives>(),
                                   std::make_unique<tolvane::LinuxFileDates>()};
}

}  // namespace

int main(int argc, char* argv[]) {
  // Before the toolkit's threads, which read the environment, start.
  tolvane::ProvideRuntimeFolder();
  QApplication application(argc, argv);
  tolvane::SetUpApplication();
  tolvane::Form1 form1(MachineEnvironment());
  form1.show();
  return QApplication::exec();
}
