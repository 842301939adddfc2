#include <QApplication>

#include "window/application.h"
#include "window/form1.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  tolvane::SetUpApplication();
  tolvane::Form1 form1(tolvane::MachineEnvironment());
  form1.show();
  return QApplication::exec();
}
