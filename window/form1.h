#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/batch_undo.h"
#include "core/preview.h"
#include "core/rename_list.h"
#include "platform/file_dates.h"
#include "window/drive_list.h"
#include "window/preview_marks.h"
#include "window/qt_window_services.h"
#include "window/undated_rows.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace tolvane {

class DateReadingBar;
class FolderList;
class ListMenu;
class PreviewNotices;
class RenameListModel;
class StatusLine;

// What the window works on: the disk, the system's services (whose current folder the
// folder list starts on), the machine's drives and the dates of its files. The program hands in the machine's own;
// tests hand in their temporary folders and a system that records what it would start.
struct Form1Environment {
  std::unique_ptr<FileSystem> files;
  std::unique_ptr<SystemServices> system;
  std::unique_ptr<Drives> drives;
  std::unique_ptr<FileDates> dates;
  // Where the choice to keep sets together is kept; none keeps it for this run only.
  std::unique_ptr<Settings> settings;
};

// The program's one window: the folder to rename in, the list of its files, the naming fields
// and the buttons of the preview and the commit.
class Form1 final : public QWidget {
  Q_OBJECT

 public:
  // `startPaths`: the folder, or the files of one folder, that the program was started with
  // (absolute paths); none to start on the current folder with an empty list.
  explicit Form1(Form1Environment environment, const std::vector<std::string>& startPaths = {},
                 QWidget* parent = nullptr);
  ~Form1() override;

  // The menu of the list, to which other operations on the list add their entries.
  ListMenu& ListView1Menu() const { return *listMenu_; }
  // Whether the folder on show, known by its identity, has a record of a finished batch to
  // take back, and no work runs: the state of "&Undo the Last Rename Here...".
  bool CanUndoLastRename() const;
  // Asks, then gives every file of the folder's last batch the name it had before, as a
  // commit does, and loads the list again.
  void UndoLastRename();
  // Asks about the batch of the folder on show that was cut short and left for later, with the
  // box of the start, and loads the list again.
  void FinishCutShortRename();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildNamingFields();
  void SetTabOrder();
  void Connect();
  // Gives the folders in which a batch was finished or undone.
  std::vector<std::string> RecoverCutShortBatches();
  // Lists the files of `folder` as they are now, after renames outside a preview.
  void ReloadFolder(const std::string& folder);
  void OpenStartPaths(const std::vector<std::string>& paths);
  void OpenStartFolder(const std::string& folder);
  void SayFolderCannotBeOpened(const std::string& folder, const Error& error);

  // Event handlers.
  void ChangeFolder();
  void ShowFolderFiles(const std::string& path, std::unique_ptr<FolderListing> listing);
  void ChangeDrive();
  void OpenFolder(const std::string& path);
  // Shows the files of a folder just read in the list, in place of what it showed, and keeps
  // the read for the preview's check.
  void ShowFiles(std::unique_ptr<FolderListing> listing);
  // Keeps sets together in the list, or not, and loads the folder on show again.
  void KeepSets(bool keep);
  void RemoveSelected();
  void MoveSelected(void (RenameList::*moveOperation)());
  void MoveSelectedRows(const std::function<void()>& move);
  // Puts the list in the order `order` gives; nothing when it gives none (a read stopped).
  void ArrangeList(const std::function<std::optional<ListOrder>()>& order);
  void OrderBy(ListOrder (*order)(const RenameList&, bool previewShown));
  // Reads every entry's date and puts the list in its order.
  void OrderByDate(DateKind kind);
  void Simulate();
  // The dates of every entry for its new name, read beside the window; nothing on Cancel.
  std::optional<EntryDates> ReadNamingDates(DateKind kind);
  void ShowStartAfterHighestNumberState();
  // Sets Seq Start From after the highest number of the folder's names that fit the fields.
  void StartAfterHighestNumber();
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
  // The folder's last batch to take back; none while other work runs.
  std::optional<UndoableBatch> UndoableHere() const;
  NamingFields ReadNamingFields() const;

  std::unique_ptr<FileSystem> files_;
  std::unique_ptr<SystemServices> system_;
  std::unique_ptr<Drives> drives_;
  std::unique_ptr<FileDates> dates_;
  std::unique_ptr<Settings> settings_;
  // Lent to the core by queries of the window's state too.
  mutable QtWindowServices services_{*this};
  // Operations of handlers under way; a window query waits for none of them.
  int running_ = 0;
  RenameList list_;
  Preview preview_{list_};
  PreviewMarks marks_;
  UndatedRows undated_;
  // What the undo's entry found out about the records, for the next time the menu opens.
  mutable KnownReversals knownReversals_;
  // The folder last open on each drive during this run, by the drive's mount point.
  std::map<std::string, std::string> lastFolderOnDrive_;
  // While the folder of the files the program was started with opens: the names to list.
  std::optional<std::set<std::string>> startNames_;

  DriveList* drive1_ = nullptr;
  FolderList* dir1_ = nullptr;
  QTreeView* listView1_ = nullptr;
  RenameListModel* model_ = nullptr;
  ListMenu* listMenu_ = nullptr;
  StatusLine* statusLine_ = nullptr;
  DateReadingBar* dateReadingBar_ = nullptr;
  QLabel* undatedLine_ = nullptr;
  PreviewNotices* previewNotices_ = nullptr;
  // Set while an ordering works beside the window.
  bool ordering_ = false;
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
