#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/linux_file_system.h"
#include "tests/support/fake_file_dates.h"
#include "tests/support/fake_settings.h"
#include "tests/support/fake_platform.h"
#include "tests/support/temp_folder.h"
#include "window/form1.h"

class QListWidgetItem;

// Failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& texts, std::ostream* out) {
  *out << '{' << texts.join(QStringLiteral(", ")).toStdString() << '}';
}

namespace tolvane::testing {

// The real file system, with hooks that run before each folder read (by path or through an
// opened folder) and each rename.
class HookedFileSystem final : public FileSystem {
 public:
  std::vector<FolderItem> ReadFolder(const std::string& folderPath) override {
    if (beforeRead && folderPath != privateFolder) beforeRead();
    return real_.ReadFolder(folderPath);
  }
  std::unique_ptr<OpenedFolder> OpenFolder(const std::string& folderPath) override;
  std::unique_ptr<LineWriter> OpenForAppend(const std::string& path) override { return real_.OpenForAppend(path); }
  bool IsWritableFolder(const std::string& folderPath) override { return real_.IsWritableFolder(folderPath); }
  void CreatePrivateFolder(const std::string& folderPath) override { real_.CreatePrivateFolder(folderPath); }
  void KeepPrivate(const std::string& folderPath) override { real_.KeepPrivate(folderPath); }
  std::unique_ptr<DurableFile> CreateDurableFile(const std::string& path) override {
    return real_.CreateDurableFile(path);
  }
  std::unique_ptr<LockedFile> TryLockFile(const std::string& path) override { return real_.TryLockFile(path); }
  void RemoveFile(const std::string& path) override { real_.RemoveFile(path); }

  std::function<void()> beforeRead;
  std::function<void()> beforeRename;
  int renames = 0;
  // The program's own journals and records: the hooks watch only the folders a user works in.
  std::string privateFolder;

 private:
  class Folder;
  LinuxFileSystem real_;
};

// Asks the window's thread to run something and waits up to five seconds for it to have run;
// true when it ran, which it can only do while that thread handles events.
bool WindowThreadAnswers();

// Answers the window's message boxes as they come up, from a queue, and notes each one.
class MessageBoxAnswerer final : public QObject {
 public:
  struct Box {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
    bool okFirst;  // OK stands left of Cancel, or there is no Cancel
    QStringList captions;   // every button's text, left to right
    QString defaultCaption;
    int height;  // in pixels, as it stands on the screen
  };

  MessageBoxAnswerer();
  // `before` runs while the box is up, just before it is answered.
  void Queue(QMessageBox::StandardButton answer, std::function<void()> before = {});
  // Answers by pressing the button of that text, as boxes with buttons of their own have them.
  void QueueCaption(const QString& caption);

  std::vector<Box> boxes;
  // Boxes that came when the queue was empty; they are answered by their escape button.
  int unexpected = 0;

 private:
  struct Answer {
    QMessageBox::StandardButton button;
    std::function<void()> before;
    QString caption;  // when set, the button pressed
  };
  void AnswerShownBox();

  QTimer poll_;
  std::deque<Answer> answers_;
};

// Form1 on a temporary folder of the test's own: the drives are folders inside it (the test
// may mount more), the program's folder is "bin" inside it (with its "log"), and launched
// programs are recorded.
class WindowTest : public ::testing::Test {
 protected:
  // Every box a test did not queue an answer for is a fault: an error nobody expected.
  void TearDown() override { EXPECT_EQ(answerer.unexpected, 0) << "a box came up that the test did not expect"; }

  // Makes and shows the window; `drives` are the drives' folders below the temporary folder
  // ("" for the temporary folder itself), and the folder list starts on `startFolder`.
  // `startPaths` are the program's arguments, made absolute as the program makes them.
  void OpenWindow(const std::vector<std::string>& drives = {""}, const std::string& startFolder = "",
                  const std::vector<std::string>& startPaths = {});

  template <typename Widget>
  Widget& Find(const char* name) const {
    auto* widget = form->findChild<Widget*>(QString::fromLatin1(name));
    if (widget == nullptr) throw std::runtime_error(std::string("no control ") + name);
    return *widget;
  }

  std::string PathOf(const std::string& name) const { return name.empty() ? temp.path() : temp.Path(name); }
  void MakeFolder(const std::string& name) const;
  // Writes a file below the temporary folder, making the folders on its way.
  void WriteFile(const std::string& name, const std::string& content = {}) const;

  // What the user does.
  void Click(const char* button);
  void OpenFolderInDir1(const QString& rowText);
  void ClickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  void Type(const char* textBox, const QString& text);

  // What the window shows.
  QStringList ListRows() const;
  QStringList Dir1Rows() const;
  std::string Dir1Path() const;
  std::vector<int> SelectedRows() const;
  int CurrentRow() const;
  QListWidgetItem* Dir1Row(const QString& text) const;
  std::vector<bool> PreviewButtonsEnabled() const;
  // Expects that the one box shown was the report of an unhandled error; returns its text.
  QString OnlyErrorReport() const;

  TempFolder temp;
  HookedFileSystem* files = nullptr;
  FakeSystem* system = nullptr;
  FakeDrives* machineDrives = nullptr;
  FakeFileDates* dates = nullptr;
  // Whether the window starts with sets kept together; the settings it is handed.
  bool keepSets = false;
  FakeSettings* settings = nullptr;
  std::unique_ptr<Form1> form;
  MessageBoxAnswerer answerer;
};

}  // namespace tolvane::testing
