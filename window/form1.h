#pragma once

#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "core/preview.h"
#include "core/rename_list.h"
#include "window/drive_list.h"
#include "window/preview_marks.h"
#include "window/qt_window_services.h"

class QLineEdit;
class QPushButton;
class QTreeView;

namespace tolvane {

class FolderList;
class RenameListModel;

// What the window works on: the disk, the system's services (whose current folder the
// folder list starts on) and the machine's drives. The program hands in the machine's own;
// tests hand in their temporary folders and a system that records what it would start.
struct Form1Environment {
  std::unique_ptr<FileSystem> files;
  std::unique_ptr<SystemServices> system;
  std::unique_ptr<Drives> drives;
};

// The program's one window: the folder to rename in, the list of its files, the naming fields
// and the buttons of the preview and the commit.
class Form1 final : public QWidget {
  Q_OBJECT

 public:
  explicit Form1(Form1Environment environment, QWidget* parent = nullptr);
  ~Form1() override;

  // Whether the folder on show, known by its identity, has a record of a finished batch to
  // take back, and no work runs: the state of "&Undo the Last Rename Here...".
  bool CanUndoLastRename() const;
  // Asks, then gives every file of the folder's last batch the name it had before, as a
  // commit does, and loads the list again.
  void UndoLastRename();

 private:
  void BuildControls();
  void BuildNamingFields();
  void SetTabOrder();
  void Connect();
  void RecoverCutShortBatches();

  // Event handlers.
  void ChangeFolder();
  void ChangeDrive();
  void OpenFolder(const std::string& path);
  // Shows the files of a folder just read in the list, in place of what it showed.
  void ShowFiles(std::vector<FolderItem> items);
  void RemoveSelected();
  void MoveSelected(void (RenameList::*moveOperation)());
  void Simulate();
  void Rename();
  void Undo();

  // Runs one operation of a handler: an error it raises goes to the unhandled-error report,
  // and the window shows the list and the buttons as the operation left them. False when
  // the operation raised an error.
  template <typename Operation>
  bool Run(Operation&& operation);
  void ShowState();
  void CheckPreview();
  std::string FolderToOpenOn(const std::string& drive) const;
  NamingFields ReadNamingFields() const;

  std::unique_ptr<FileSystem> files_;
  std::unique_ptr<SystemServices> system_;
  std::unique_ptr<Drives> drives_;
  // Lent to the core by queries of the window's state too.
  mutable QtWindowServices services_{*this};
  // Operations of handlers under way; a window query waits for none of them.
  int running_ = 0;
  RenameList list_;
  Preview preview_{list_};
  PreviewMarks marks_;
  // The folder last open on each drive during this run, by the drive's mount point.
  std::map<std::string, std::string> lastFolderOnDrive_;

  DriveList* drive1_ = nullptr;
  FolderList* dir1_ = nullptr;
  QTreeView* listView1_ = nullptr;
  RenameListModel* model_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* command2_ = nullptr;
  QPushButton* command3_ = nullptr;
  QPushButton* command4_ = nullptr;
  QPushButton* command5_ = nullptr;
  QPushButton* command6_ = nullptr;
  QPushButton* command7_ = nullptr;
  QLineEdit* text1_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QLineEdit* text3_ = nullptr;
  QLineEdit* text4_ = nullptr;
};

}  // namespace tolvane
