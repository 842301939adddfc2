#include "window/application.h"

#include <QApplication>
#include <QIcon>

// Outside any namespace, as Qt asks: the pictures live in a static library, whose
// resources are linked in only when something names them.
static void LoadPictures() { Q_INIT_RESOURCE(tolvane); }

namespace tolvane {

void SetUpApplication() {
  LoadPictures();
  // The display name follows the application name. Set on its own, it would be added to every
  // window title on X11 ("Form1 — Tolvane"), where the titles must stand as given.
  QApplication::setApplicationName(QStringLiteral("Tolvane"));
  QApplication::setApplicationVersion(QStringLiteral("1.01.0004"));
  QApplication::setDesktopFileName(QStringLiteral("tolvane"));
  QIcon icon;
  icon.addFile(QStringLiteral(":/tolvane/tolvane-16.png"), QSize(16, 16));
  icon.addFile(QStringLiteral(":/tolvane/tolvane-32.png"), QSize(32, 32));
  QApplication::setWindowIcon(icon);
}

}  // namespace tolvane
