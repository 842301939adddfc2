#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <cmath>
#include <cstring>

#include "tests/window/window_harness.h"
#include "window/drive_list.h"
#include "window/folder_list.h"

namespace tolvane::testing {
namespace {

struct PlacedControl {
  const char* name;
  const char* parent;
  QRect geometry;
  const char* caption;
  const char* tip;
  const char* spokenName;  // what a screen reader says the control is
};

constexpr const char* kDateFieldsTip =
    "{taken:YYYY-MM-DD} writes the date the file was taken (its modification time where it tells none), "
    "{modified:YYYY-MM-DD} its modification time; also MMM, hh, mm, ss";

// Positions in pixels at 96 dots per inch, inside the frame for the frame's controls.
const PlacedControl kControls[] = {
    {"Command7", "Form1", {624, 423, 49, 43}, "", "End Program", "End Program"},
    {"Command6", "Form1", {261, 438, 109, 28}, "&Undo", "", "Undo"},
    {"Command5", "Form1", {144, 438, 109, 28}, "&Rename", "", "Rename"},
    {"Command4", "Form1", {27, 438, 109, 28}, "&Simulate", "", "Simulate"},
    {"Frame1", "Form1", {27, 327, 577, 94}, "", "", ""},
    {"Text4", "Frame1", {219, 57, 43, 22}, "00", "", "Seq Format"},
    {"Text1", "Frame1", {111, 21, 124, 22}, "", kDateFieldsTip, "Prefix Before Seq"},
    {"Text2", "Frame1", {321, 21, 100, 22}, "", kDateFieldsTip, "Prefix After Seq"},
    {"Text3", "Frame1", {111, 57, 31, 22}, "1", "", "Seq Start From"},
    {"Label5", "Frame1", {156, 60, 54, 13}, "Seq F&ormat", "", "Seq Format"},
    {"Label2", "Frame1", {21, 27, 82, 13}, "Prefix &Before Seq", "", "Prefix Before Seq"},
    {"Label3", "Frame1", {243, 27, 73, 13}, "Prefix &After Seq", "", "Prefix After Seq"},
    {"Label4", "Frame1", {21, 60, 70, 13}, "Seq Start &From", "", "Seq Start From"},
    {"Command3", "Form1", {624, 273, 49, 43}, "", "Move down selected file", "Move down selected file"},
    {"Command2", "Form1", {624, 39, 49, 43}, "", "Move up selected file", "Move up selected file"},
    {"Command1", "Form1", {624, 156, 49, 43}, "", "Remove selected", "Remove selected"},
    {"ListView1", "Form1", {228, 39, 373, 274}, "", "", "Files to rename"},
    {"Dir1", "Form1", {27, 69, 193, 246}, "", "", "Folder"},
    {"Drive1", "Form1", {27, 39, 193, 21}, "", "", "Drive"},
    {"Label1", "Form1", {27, 15, 77, 13}, "S&elect the folder", "", "Select the folder"},
};

QString CaptionOf(const QWidget& widget) {
  if (const auto* button = qobject_cast<const QPushButton*>(&widget)) return button->text();
  if (const auto* label = qobject_cast<const QLabel*>(&widget)) return label->text();
  if (const auto* box = qobject_cast<const QLineEdit*>(&widget)) return box->text();
  if (const auto* frame = qobject_cast<const QGroupBox*>(&widget)) return frame->title();
  return {};
}

// The name given to the control, else the one Qt makes for it (a caption, a buddy label's text).
// On Linux Qt speaks a drop-down by the value it shows, whatever its name.
QString SpokenName(const QWidget& widget) {
  if (!widget.accessibleName().isEmpty()) return widget.accessibleName();
  return QAccessible::queryAccessibleInterface(const_cast<QWidget*>(&widget))->text(QAccessible::Name);
}

class WindowDrawing : public WindowTest {
 protected:
  void SetUp() override {
    MakeFolder("photos/2024/b10");
    MakeFolder("photos/2024/b9");
    MakeFolder("photos/2024/.cache");
    WriteFile("photos/2024/x.jpg");
    OpenWindow({""}, "photos/2024");
  }
};

TEST_F(WindowDrawing, EveryControlStandsWhereTheLayoutPutsItWithItsCaptionAndTip) {
  for (const PlacedControl& control : kControls) {
    SCOPED_TRACE(control.name);
    const auto& widget = Find<QWidget>(control.name);
    EXPECT_EQ(widget.parentWidget()->objectName(), QString::fromLatin1(control.parent));
    EXPECT_EQ(widget.geometry(), control.geometry);
    EXPECT_EQ(CaptionOf(widget), QString::fromLatin1(control.caption));
    EXPECT_EQ(widget.toolTip(), QString::fromLatin1(control.tip));
    EXPECT_EQ(SpokenName(widget), QString::fromLatin1(control.spokenName));
  }
}

// Every caption's access key is its own, and a label's takes the focus to its field.
TEST_F(WindowDrawing, AccessKeysAreUniqueAndALabelsKeyFocusesItsField) {
  QSet<QChar> keys;
  for (const PlacedControl& control : kControls) {
    const QString caption = QString::fromLatin1(control.caption);
    const qsizetype mark = caption.indexOf(QLatin1Char('&'));
    if (mark < 0) continue;
    SCOPED_TRACE(control.name);
    const QChar key = caption.at(mark + 1).toUpper();
    EXPECT_FALSE(keys.contains(key)) << "two captions take " << key.toLatin1();
    keys.insert(key);
    const auto* label = qobject_cast<const QLabel*>(&Find<QWidget>(control.name));
    if (!label) continue;
    QTest::keyClick(form.get(), key.toLatin1(), Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), label->buddy());
  }
  EXPECT_EQ(keys.size(), 8);
}

// The image holds the picture, pixel for pixel, somewhere.
bool Holds(const QImage& image, const QImage& picture) {
  const auto rowBytes = static_cast<std::size_t>(picture.width()) * 4;
  for (int top = 0; top + picture.height() <= image.height(); ++top) {
    for (int left = 0; left + picture.width() <= image.width(); ++left) {
      int row = 0;
      while (row < picture.height() &&
             std::memcmp(image.constScanLine(top + row) + left * 4, picture.constScanLine(row), rowBytes) == 0) {
        ++row;
      }
      if (row == picture.height()) return true;
    }
  }
  return false;
}

// Each picture button paints its picture at scale 1 unchanged, and its double from scale 1.5
// up: unchanged at scale 2, scaled down below it (the suite runs this test again at 1.5 and 2).
TEST_F(WindowDrawing, PictureButtonsPaintThePictureMadeForTheScreensScale) {
  const qreal scale = form->devicePixelRatioF();
  for (const char* name : {"Command1", "Command2", "Command3", "Command7"}) {
    SCOPED_TRACE(name);
    const QString file = QStringLiteral(":/tolvane/%1").arg(QString::fromLatin1(name).toLower());
    const QImage picture = QImage(file + QStringLiteral(".bmp")).convertToFormat(QImage::Format_RGB32);
    const QImage twice = QImage(file + QStringLiteral("@2x.bmp")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(twice.size(), picture.size() * 2);
    auto& button = Find<QPushButton>(name);
    const QImage painted =
        button.icon().pixmap(button.iconSize(), scale).toImage().convertToFormat(QImage::Format_RGB32);
    if (scale < 1.5) {
      EXPECT_EQ(painted, picture);
    } else if (scale == 2) {
      EXPECT_EQ(painted, twice);
    } else {
      EXPECT_EQ(painted, twice.scaled(painted.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    // At a scale between whole numbers the picture lands between device pixels, and is blended.
    if (scale != std::floor(scale)) continue;
    EXPECT_TRUE(Holds(button.grab().toImage().convertToFormat(QImage::Format_RGB32), painted));
  }
}

// As the window places them, children of one parent: the window's own, and the frame's.
TEST_F(WindowDrawing, NoTwoControlsOfTheWindowOverlap) {
  for (const PlacedControl& a : kControls) {
    for (const PlacedControl& b : kControls) {
      if (&a == &b) continue;
      const auto& first = Find<QWidget>(a.name);
      const auto& second = Find<QWidget>(b.name);
      if (first.parentWidget() != second.parentWidget()) continue;
      EXPECT_FALSE(first.geometry().intersects(second.geometry())) << a.name << " and " << b.name;
    }
  }
}

TEST_F(WindowDrawing, TheWindowIsFixedAtItsSizeWithItsTitleColourAndIcon) {
  EXPECT_EQ(form->windowTitle(), "Form1");
  EXPECT_EQ(form->size(), QSize(687, 479));
  EXPECT_EQ(form->minimumSize(), form->maximumSize());
  EXPECT_EQ(form->palette().color(QPalette::Window), QColor(216, 228, 248));
  EXPECT_FALSE(form->windowIcon().isNull());
  EXPECT_EQ(QApplication::applicationName(), "Tolvane");
  EXPECT_EQ(QApplication::applicationDisplayName(), "Tolvane");
  EXPECT_EQ(QApplication::applicationVersion(), "1.01.0004");
}

TEST_F(WindowDrawing, ButtonsHaveWhiteFacesAndThePictureButtonsTheirPictures) {
  for (const char* name : {"Command1", "Command2", "Command3", "Command4", "Command5", "Command6", "Command7"}) {
    EXPECT_EQ(Find<QPushButton>(name).palette().color(QPalette::Button), QColor(Qt::white)) << name;
  }
  const std::pair<const char*, QSize> pictures[] = {
      {"Command1", {37, 39}}, {"Command2", {39, 37}}, {"Command3", {39, 37}}, {"Command7", {42, 40}}};
  for (const auto& [name, size] : pictures) {
    const auto& button = Find<QPushButton>(name);
    EXPECT_EQ(button.iconSize(), size) << name;
    EXPECT_EQ(button.icon().availableSizes().value(0), size) << name;
  }
}

TEST_F(WindowDrawing, ThreeLabelsStandOnTheInactiveTitleTextColourAndTwoOnTheWindowColour) {
  const QColor stand_in = QApplication::palette().color(QPalette::Disabled, QPalette::WindowText);
  for (const char* name : {"Label2", "Label4", "Label5"}) {
    const auto& label = Find<QLabel>(name);
    EXPECT_TRUE(label.autoFillBackground()) << name;
    EXPECT_EQ(label.palette().color(QPalette::Window), stand_in) << name;
  }
  for (const char* name : {"Label1", "Label3", "Frame1"}) {
    EXPECT_EQ(Find<QWidget>(name).palette().color(QPalette::Window), QColor(216, 228, 248)) << name;
  }
}

TEST_F(WindowDrawing, StartsWithOnlySimulateOfThePreviewButtonsAndAnEmptyListUnderItsColumn) {
  EXPECT_EQ(PreviewButtonsEnabled(), (std::vector<bool>{true, false, false}));
  for (const char* name : {"Command1", "Command2", "Command3", "Command7"}) {
    EXPECT_TRUE(Find<QPushButton>(name).isEnabled()) << name;
  }
  const auto& view = Find<QTreeView>("ListView1");
  EXPECT_EQ(view.model()->rowCount(), 0);
  EXPECT_EQ(view.model()->columnCount(), 1);
  EXPECT_EQ(view.model()->headerData(0, Qt::Horizontal).toString(), "File Name");
  EXPECT_EQ(view.columnWidth(0), 333);
  EXPECT_FALSE(view.rootIsDecorated());
  EXPECT_EQ(view.selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(WindowDrawing, TheFolderListShowsTheStartFolderAndTheDriveListItsDrive) {
  EXPECT_EQ(Dir1Path(), temp.Path("photos/2024"));
  EXPECT_EQ(Dir1Rows(), (QStringList{QString::fromStdString(temp.path()), "photos", "2024", "b9", "b10"}));
  EXPECT_EQ(Find<FolderList>("Dir1").currentRow(), 2);
  EXPECT_EQ(Find<DriveList>("Drive1").Drive(), temp.path());
  EXPECT_EQ(Find<DriveList>("Drive1").currentText(), QString::fromStdString(temp.path()));
}

TEST_F(WindowDrawing, TabVisitsTheControlsInTheirOrderAndSkipsDisabledButtons) {
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  const auto tabRound = [&] {
    Find<QWidget>("Drive1").setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int step = 0; step < 14; ++step) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited << QApplication::focusWidget()->objectName();
    }
    return visited;
  };
  EXPECT_EQ(tabRound(), (QStringList{"Drive1", "Dir1", "ListView1", "Command1", "Command2", "Command3", "Text3", "Text2",
                                     "Text1", "Command4", "Text4", "Command7", "Drive1", "Dir1", "ListView1"}));
  Click("Command4");
  EXPECT_EQ(tabRound().mid(6, 6), (QStringList{"Text3", "Text2", "Text1", "Command5", "Command6", "Text4"}));
}

TEST_F(WindowDrawing, EndProgramClosesTheWindowAtOnceAfterAnUncommittedPreview) {
  WriteFile("photos/2024/y.jpg");
  OpenFolderInDir1("photos");
  OpenFolderInDir1("2024");
  ASSERT_EQ(ListRows(), (QStringList{"x.jpg", "y.jpg"}));
  Click("Command4");
  // Clicked while the program's event loop runs, as a user would: the click ends that loop,
  // and a loop that did not end would give up after five seconds.
  QTimer::singleShot(0, [&] { Click("Command7"); });
  QTimer giveUp;
  giveUp.setSingleShot(true);
  QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  giveUp.start(5000);
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(answerer.boxes.empty());
  EXPECT_TRUE(temp.Exists("photos/2024/x.jpg"));
  EXPECT_TRUE(temp.Exists("photos/2024/y.jpg"));
}

}  // namespace
}  // namespace tolvane::testing
