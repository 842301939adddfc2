// Draws the window after a preview of sample files, offscreen, into the PNG file named by the
// first argument, and, when a second is given, the window with the list's menu open into that
// one. The files live in a temporary folder that goes when the program ends.
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <cstdio>
#include <filesystem>

#include "platform/linux_file_dates.h"
#include "platform/linux_file_system.h"
#include "tests/support/fake_settings.h"
#include "tests/support/fake_platform.h"
#include "tests/support/temp_folder.h"
#include "window/application.h"
#include "window/folder_list.h"
#include "window/form1.h"

namespace {

using tolvane::testing::TempFolder;

void WriteSamples(const TempFolder& temp) {
  std::filesystem::create_directories(temp.Path("Holiday 2024/raw"));
  std::filesystem::create_directories(temp.Path("Holiday 2024/edited"));
  std::filesystem::create_directories(temp.Path("Documents"));
  for (int i = 1; i <= 14; ++i) temp.WriteFile("Holiday 2024/IMG_" + std::to_string(4800 + i * 7) + ".jpg");
  temp.WriteFile("Holiday 2024/beach.png");
  temp.WriteFile("Holiday 2024/Holiday_03.jpg");
}

// The window with the list's menu open over it, as one picture: the menu is a window of its own.
QPixmap WithMenuOpen(QWidget& form, QTreeView& list) {
  list.setFocus();
  QTest::keyClick(&list, Qt::Key_Menu);
  auto* menu = form.findChild<QMenu*>("ListMenu");
  QTest::qWait(50);
  const QPixmap window = form.grab();
  const QPixmap opened = menu->grab();
  const QPoint at = menu->pos() - form.mapToGlobal(QPoint(0, 0));
  QPixmap both(window.size().expandedTo(QSize(at.x() + opened.width(), at.y() + opened.height())));
  both.fill(Qt::white);
  QPainter painter(&both);
  painter.drawPixmap(0, 0, window);
  painter.drawPixmap(at, opened);
  painter.end();
  menu->hide();
  return both;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: tolvane_screenshot <output.png> [<with-menu.png>]\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  tolvane::SetUpApplication();
  const TempFolder temp;
  WriteSamples(temp);

  auto system = std::make_unique<tolvane::testing::FakeSystem>();
  system->currentFolder = temp.path();
  tolvane::Form1 form(tolvane::Form1Environment{
      std::make_unique<tolvane::LinuxFileSystem>(), std::move(system),
      std::make_unique<tolvane::testing::FakeDrives>(std::vector<tolvane::Drive>{{temp.path(), "SAMPLES"}}),
      std::make_unique<tolvane::LinuxFileDates>(), std::make_unique<tolvane::testing::FakeSettings>()});
  form.show();
  if (!QTest::qWaitForWindowExposed(&form)) return 1;

  // The folder is opened, the file that already holds a new name is dropped from the batch
  // (so its row turns red), and the preview is made.
  auto* dir1 = form.findChild<tolvane::FolderList*>("Dir1");
  const QPoint folderRow = dir1->visualItemRect(dir1->findItems("Holiday 2024", Qt::MatchExactly).value(0)).center();
  QTest::mouseClick(dir1->viewport(), Qt::LeftButton, Qt::NoModifier, folderRow);
  QTest::mouseDClick(dir1->viewport(), Qt::LeftButton, Qt::NoModifier, folderRow);
  auto* list = form.findChild<QTreeView*>("ListView1");
  list->selectionModel()->select(list->model()->index(1, 0), QItemSelectionModel::ClearAndSelect);
  list->setCurrentIndex(list->model()->index(1, 0));
  form.findChild<QPushButton*>("Command1")->click();
  form.findChild<QLineEdit*>("Text1")->setText("Holiday_");
  form.findChild<QPushButton*>("Command4")->click();
  list->selectionModel()->select(list->model()->index(5, 0), QItemSelectionModel::ClearAndSelect);
  list->setCurrentIndex(list->model()->index(5, 0));
  QTest::qWait(50);

  if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) return 1;
  std::printf("%s\n", argv[1]);
  if (argc == 3) {
    if (!WithMenuOpen(form, *list).save(QString::fromLocal8Bit(argv[2]))) return 1;
    std::printf("%s\n", argv[2]);
  }
  return 0;
}
