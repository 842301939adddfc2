#include <QApplication>

#include "platform/runtime_folder.h"
#include "window/application.h"
#include "window/form1.h"

int main(int argc, char* argv[]) {
  // Before the toolkit's threads, which read the environment, start.
  tolvane::ProvideRuntimeFolder();
  QApplication application(argc, argv);
  tolvane::SetUpApplication();
  tolvane::Form1 form1(tolvane::MachineEnvironment());
  form1.show();
  return QApplication::exec();
}
