#include "window/application.h"

#include <QApplication>
#include <QIcon>

#include "window/version.h"

// Outside any namespace, as Qt asks: the pictures live in a static library, whose
// resources are linked in only when something names them.
static void LoadPictures() { Q_INIT_RESOURCE(tolvane); }

namespace tolvane {

void SetUpApplication() {
  LoadPictures();
  // The display name follows the application name. Set on its own, it would be added to every
  // window title on X11 ("Form1 — Tolvane"), where the titles must stand as given.
  QApplication::setApplicationName(QStringLiteral("Tolvane"));
  QApplication::setApplicationVersion(QString::fromLatin1(kDisplayedVersion));
  QApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
  QIcon icon;
  icon.addFile(QStringLiteral(":/tolvane/tolvane-16.png"), QSize(16, 16));
  icon.addFile(QStringLiteral(":/tolvane/tolvane-32.png"), QSize(32, 32));
  QApplication::setWindowIcon(icon);
}

}  // namespace tolvane
