#include "window/form1.h"

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <limits>
#include <optional>
#include <utility>

#include "core/batch_recovery.h"
#include "window/command_line.h"
#include "core/list_order.h"
#include "core/photo_sets.h"
#include "core/set_files.h"
#include "core/batch_undo.h"
#include "core/highest_number.h"
#include "window/commit_in_progress.h"
#include "window/date_reading_bar.h"
#include "window/folder_list.h"
#include "window/list_menu.h"
#include "window/list_selection.h"
#include "window/preview_notices.h"
#include "window/rename_list_model.h"
#include "window/status_line.h"
#include "window/undo_entry.h"
#include "window/set_row_delegate.h"
#include "window/work_in_background.h"

namespace tolvane {

namespace {

const QColor kWindowColour(216, 228, 248);
constexpr int kClientWidth = 687;
constexpr int kClientHeight = 479;
constexpr int kFileNameColumnWidth = 333;

// The layout's sizes were made for a compact user-interface font of 8 points at 96 dots per
// inch. The desktop's own sans serif is wider (DejaVu Sans cuts every label short), so the
// window takes that family at 11 pixels, narrowed to four fifths, and its controls inherit it.
QFont WindowFont() {
  QFont font = QApplication::font();
  font.setPixelSize(11);
  font.setStretch(80);
  return font;
}

void SetColour(QWidget& widget, QPalette::ColorRole role, const QColor& colour) {
  QPalette palette = widget.palette();
  palette.setColor(role, colour);
  widget.setPalette(palette);
}

QPushButton* AddButton(QWidget* parent, const char* name, const QRect& geometry) {
  auto* button = new QPushButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  SetColour(*button, QPalette::Button, Qt::white);
  return button;
}

QPushButton* AddCaptionButton(QWidget* parent, const char* name, const QRect& geometry, const QString& caption) {
  QPushButton* button = AddButton(parent, name, geometry);
  button->setText(caption);
  return button;
}

// The icon takes the picture's double (name@2x.bmp) on a screen at a scale of 1.5 or more, so
// that it stays sharp there; the button keeps the size of the picture at scale 1. A
// screen reader speaks the tip as the button's name, since the button has no caption.
QPushButton* AddPictureButton(QWidget* parent, const char* name, const QRect& geometry, const QString& tip) {
  QPushButton* button = AddButton(parent, name, geometry);
  const QString file = QStringLiteral(":/tolvane/%1").arg(QString::fromLatin1(name).toLower());
  const QSize size = QImageReader(file + QStringLiteral(".bmp")).size();
  // Both given with their sizes: Qt would take a double it found by itself only at scale 2.
  QIcon picture;
  picture.addFile(file + QStringLiteral(".bmp"), size);
  picture.addFile(file + QStringLiteral("@2x.bmp"), size * 2);
  button->setIcon(picture);
  button->setIconSize(size);
  button->setToolTip(tip);
  button->setAccessibleName(tip);
  return button;
}

QLabel* AddLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

// Linux has no colour for the text of an inactive title bar. Window decorations draw that
// text dimmed, as the palette draws disabled text, so that colour stands in for it.
void ShowOnInactiveTitleTextColour(QLabel& label) {
  label.setAutoFillBackground(true);
  SetColour(label, QPalette::Window, QApplication::palette().color(QPalette::Disabled, QPalette::WindowText));
}

QLineEdit* AddTextBox(QWidget* parent, const char* name, const QRect& geometry, const QString& text) {
  auto* box = new QLineEdit(text, parent);
  // The fields take text of any length; a name made too long by it is refused by the
  // commit's check, as every name over the longest a file may have.
  box->setMaxLength(std::numeric_limits<int>::max());
  box->setObjectName(QString::fromLatin1(name));
  box->setGeometry(geometry);
  return box;
}

std::string TextOf(const QLineEdit& box) { return box.text().toUtf8().toStdString(); }

std::string NoDataPrompt(const Error& error) {
  return "Error: " + std::to_string(ClassicNumber(error.Number())) + ": " + error.Description();
}

// The system's own words for why a folder did not open, without the path the box names already.
std::string ReasonOf(const Error& error) {
  return error.SystemErrno() != 0 ? std::string(std::strerror(error.SystemErrno())) : error.Description();
}

// The folder the program was started in; the root when that folder has gone.
std::string StartFolder(SystemServices& system) { return system.CurrentFolder().value_or("/"); }

}  // namespace

Form1::Form1(Form1Environment environment, const std::vector<std::string>& startPaths, QWidget* parent)
    : QWidget(parent),
      files_(std::move(environment.files)),
      system_(std::move(environment.system)),
      drives_(std::move(environment.drives)),
      dates_(std::move(environment.dates)),
      settings_(std::move(environment.settings)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Form1"));
  setFixedSize(kClientWidth, kClientHeight);
  setWindowFlag(Qt::WindowMaximizeButtonHint, false);
  setFont(WindowFont());
  setAutoFillBackground(true);
  SetColour(*this, QPalette::Window, kWindowColour);

  const std::string startFolder = StartFolder(*system_);
  drive1_ = new DriveList(*drives_, this);
  dir1_ = new FolderList(
      *files_, [this](const std::string& path) { return drive1_->DriveOf(path); }, startFolder, this);
  BuildControls();
  SetTabOrder();

  drive1_->SetDrive(startFolder);
  lastFolderOnDrive_[drive1_->Drive()] = startFolder;
  Run([&] { dir1_->SetPath(startFolder); });
  Connect();
  const std::vector<std::string> recovered = RecoverCutShortBatches();
  // Started without a folder, as from the desktop's menu: the folder just recovered is the one
  // the user will look at.
  OpenStartPaths(startPaths.empty() && !recovered.empty() ? std::vector<std::string>{recovered.back()} : startPaths);
}

// The controls go first: while they are taken down they still raise their signals, whose
// handlers use the list and the services that are about to go.
Form1::~Form1() { qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly)); }

void Form1::BuildControls() {
  drive1_->setObjectName(QStringLiteral("Drive1"));
  drive1_->setGeometry(27, 39, 193, 21);
  dir1_->setObjectName(QStringLiteral("Dir1"));
  dir1_->setGeometry(27, 69, 193, 246);
  // The names a screen reader speaks for the two lists. On Linux Qt speaks a drop-down by the
  // value it shows instead, and the label above it, its buddy, by what it is for.
  drive1_->setAccessibleName(QStringLiteral("Drive"));
  dir1_->setAccessibleName(QStringLiteral("Folder"));
  AddLabel(this, "Label1", QRect(27, 15, 77, 13), QStringLiteral("S&elect the folder"))->setBuddy(drive1_);

  listView1_ = new QTreeView(this);
  listView1_->setObjectName(QStringLiteral("ListView1"));
  listView1_->setAccessibleName(QStringLiteral("Files to rename"));
  listView1_->setGeometry(228, 39, 373, 274);
  listView1_->setRootIsDecorated(false);
  listView1_->setItemsExpandable(false);
  listView1_->setUniformRowHeights(true);
  listView1_->setAllColumnsShowFocus(true);
  listView1_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  listView1_->setSelectionBehavior(QAbstractItemView::SelectRows);
  listView1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  listView1_->header()->setStretchLastSection(false);
  model_ = new RenameListModel(list_, marks_, this);
  listView1_->setModel(model_);
  listView1_->setColumnWidth(0, kFileNameColumnWidth);
  listView1_->setDragEnabled(true);
  listView1_->setAcceptDrops(true);
  listView1_->setDropIndicatorShown(true);
  listView1_->setDragDropOverwriteMode(false);
  listView1_->setDragDropMode(QAbstractItemView::DragDrop);
  listView1_->setDefaultDropAction(Qt::MoveAction);
  listView1_->installEventFilter(this);
  listMenu_ = new ListMenu(*listView1_, [this] { return list_.Count() > 0 && !ordering_; });
  listMenu_->KeepSets().setChecked(settings_ && settings_->KeepSets());
  listView1_->setItemDelegate(new SetRowDelegate(listView1_));
  statusLine_ = new StatusLine(this);
  statusLine_->setGeometry(228, 285, 373, 28);
  dateReadingBar_ = new DateReadingBar(*statusLine_);
  previewNotices_ = new PreviewNotices(*statusLine_, *listView1_, list_, marks_, [this] { return preview_.Shown(); },
                                       [this] { return ReadNamingFields(); });
  model_->ShowUndated(undated_);
  undatedLine_ = AddLabel(this, "UndatedLine", QRect(228, 313, 373, 13), QString());

  command1_ = AddPictureButton(this, "Command1", QRect(624, 156, 49, 43), QStringLiteral("Remove selected"));
  command2_ = AddPictureButton(this, "Command2", QRect(624, 39, 49, 43), QStringLiteral("Move up selected file"));
  command3_ = AddPictureButton(this, "Command3", QRect(624, 273, 49, 43), QStringLiteral("Move down selected file"));
  command7_ = AddPictureButton(this, "Command7", QRect(624, 423, 49, 43), QStringLiteral("End Program"));
  BuildNamingFields();
  command4_ = AddCaptionButton(this, "Command4", QRect(27, 438, 109, 28), QStringLiteral("&Simulate"));
  command5_ = AddCaptionButton(this, "Command5", QRect(144, 438, 109, 28), QStringLiteral("&Rename"));
  command6_ = AddCaptionButton(this, "Command6", QRect(261, 438, 109, 28), QStringLiteral("&Undo"));
  ShowState();
}

void Form1::BuildNamingFields() {
  auto* frame1 = new QGroupBox(this);
  frame1->setObjectName(QStringLiteral("Frame1"));
  frame1->setGeometry(27, 327, 577, 94);
  text1_ = AddTextBox(frame1, "Text1", QRect(111, 21, 124, 22), QString());
  text2_ = AddTextBox(frame1, "Text2", QRect(321, 21, 100, 22), QString());
  text3_ = AddTextBox(frame1, "Text3", QRect(111, 57, 31, 22), QStringLiteral("1"));
  text4_ = AddTextBox(frame1, "Text4", QRect(219, 57, 43, 22), QStringLiteral("00"));
  // Each label is its box's buddy, which a screen reader speaks as the box's name.
  QLabel* label2 = AddLabel(frame1, "Label2", QRect(21, 27, 82, 13), QStringLiteral("Prefix &Before Seq"));
  QLabel* label3 = AddLabel(frame1, "Label3", QRect(243, 27, 73, 13), QStringLiteral("Prefix &After Seq"));
  QLabel* label4 = AddLabel(frame1, "Label4", QRect(21, 60, 70, 13), QStringLiteral("Seq Start &From"));
  QLabel* label5 = AddLabel(frame1, "Label5", QRect(156, 60, 54, 13), QStringLiteral("Seq F&ormat"));
  label2->setBuddy(text1_);
  label3->setBuddy(text2_);
  label4->setBuddy(text3_);
  label5->setBuddy(text4_);
  const QString dateFields = tr("{taken:YYYY-MM-DD} writes the date the file was taken (its modification time where "
                                "it tells none), {modified:YYYY-MM-DD} its modification time; also MMM, hh, mm, ss");
  text1_->setToolTip(dateFields);
  text2_->setToolTip(dateFields);
  for (QLabel* label : {label2, label4, label5}) ShowOnInactiveTitleTextColour(*label);
}

// Labels and the frame never take the focus, so only these have a place in the chain.
void Form1::SetTabOrder() {
  QWidget* const order[] = {drive1_, dir1_,     listView1_, command1_, command2_, command3_, text3_,
                            text2_,  text1_,    command4_,  command5_, command6_, text4_,    command7_};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void Form1::Connect() {
  connect(drive1_, &DriveList::DriveChanged, this, &Form1::ChangeDrive);
  connect(dir1_, &FolderList::PathChanged, this, &Form1::ChangeFolder);
  connect(dir1_, &FolderList::OpenRequested, this, &Form1::OpenFolder);
  connect(command1_, &QPushButton::clicked, this, &Form1::RemoveSelected);
  connect(command2_, &QPushButton::clicked, this, [this] { MoveSelected(&RenameList::MoveSelectedUp); });
  connect(command3_, &QPushButton::clicked, this, [this] { MoveSelected(&RenameList::MoveSelectedDown); });
  connect(command4_, &QPushButton::clicked, this, &Form1::Simulate);
  connect(command5_, &QPushButton::clicked, this, &Form1::Rename);
  connect(command6_, &QPushButton::clicked, this, &Form1::Undo);
  connect(command7_, &QPushButton::clicked, this, [this] { services_.EndProgram(); });
  for (QLineEdit* field : {text1_, text2_, text3_, text4_}) {
    connect(field, &QLineEdit::textChanged, previewNotices_, &PreviewNotices::Refresh);
  }
  connect(&listMenu_->OrderByName(), &QAction::triggered, this, [this] {
    OrderBy([](const RenameList& list, bool previewShown) { return NameOrder(list, previewShown); });
  });
  connect(&listMenu_->OrderByDateTaken(), &QAction::triggered, this, [this] { OrderByDate(DateKind::Taken); });
  connect(&listMenu_->OrderByDateModified(), &QAction::triggered, this, [this] { OrderByDate(DateKind::Modified); });
  connect(&listMenu_->ReverseOrder(), &QAction::triggered, this, [this] {
    OrderBy([](const RenameList& list, bool) { return ReverseOrder(list); });
  });
  connect(&listMenu_->Menu(), &QMenu::aboutToShow, this, &Form1::ShowStartAfterHighestNumberState);
  connect(&listMenu_->StartAfterHighestNumber(), &QAction::triggered, this, &Form1::StartAfterHighestNumber);
  connect(&listMenu_->KeepSets(), &QAction::triggered, this, &Form1::KeepSets);
  connect(&(new UndoEntry(*listMenu_, [this] { return UndoableHere(); }))->Action(), &QAction::triggered, this,
          &Form1::UndoLastRename);
  connect(&listMenu_->AppendShownEntry(tr("&Finish the Cut-Short Rename Here..."),
                                       [this] {
                                         return running_ == 0 &&
                                                HasCutShortBatch(Platform{*files_, *system_, services_}, dir1_->Path());
                                       }),
          &QAction::triggered, this, &Form1::FinishCutShortRename);
  connect(model_, &RenameListModel::RowsDropped, this, [this](int row) {
    MoveSelectedRows([this, row] { list_.MoveSelectedRowsTo(static_cast<RenameList::Position>(row) + 1); });
  });
}

// Batches that a crash cut short are finished or undone while the window is being built, so
// before it is shown and can take any input.
std::vector<std::string> Form1::RecoverCutShortBatches() {
  std::vector<std::string> recovered;
  Run([&] { recovered = RecoverUnfinishedBatches(Platform{*files_, *system_, services_}); });
  return recovered;
}

// One path is a folder, unless the system says it is not one; several are files. A path that
// cannot be opened leaves the window as it starts without one, and a box says why.
void Form1::OpenStartPaths(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  if (paths.size() == 1) {
    try {
      OpenStartFolder(paths.front());
      return;
    } catch (const Error& error) {
      if (error.SystemErrno() != ENOTDIR) {
        SayFolderCannotBeOpened(paths.front(), error);
        return;
      }
    }
  }
  FileSelection selection = SelectionOf(paths);
  if (selection.otherFolders) {
    services_.ShowMessage("The files given lie in more than one folder, and Tolvane renames in one folder at a time. "
                          "It lists those in " + selection.folder + ".",
                          MessageButtons::Ok, std::nullopt);
  }
  startNames_ = std::move(selection.names);
  try {
    OpenStartFolder(selection.folder);
  } catch (const Error& error) {
    SayFolderCannotBeOpened(selection.folder, error);
  }
  startNames_.reset();
}

// Raises tolvane::Error when the folder cannot be read, and then changes nothing.
void Form1::OpenStartFolder(const std::string& folder) {
  if (folder != dir1_->Path()) {
    dir1_->SetPath(folder);
    return;
  }
  // The folder list shows the folder already, so its change never comes: the files are read here.
  ShowFolderFiles(folder, WorkInBackground([&] { return std::make_unique<FolderListing>(*files_, folder); }));
}

void Form1::SayFolderCannotBeOpened(const std::string& folder, const Error& error) {
  services_.ShowMessage("The folder " + folder + " cannot be opened: " + ReasonOf(error), MessageButtons::Ok,
                        std::nullopt);
}

void Form1::ChangeFolder() {
  const std::string path = dir1_->Path();
  ShowFolderFiles(path, dir1_->TakeListing());
}

void Form1::ShowFolderFiles(const std::string& path, std::unique_ptr<FolderListing> listing) {
  lastFolderOnDrive_[drive1_->DriveOf(path)] = path;
  Run([&] { ShowFiles(std::move(listing)); });
  drive1_->SetDrive(path);
}

// The rows shown go first, so that no selection of theirs outlives them; the folder loads
// into a list of its own, since the window paints from this one meanwhile. The listing stays
// whole, the files the program was not started with included, for the check of the batch.
void Form1::ShowFiles(std::unique_ptr<FolderListing> listing) {
  marks_.Clear();
  list_.Clear();
  model_->Reset();
  const bool keepSets = listMenu_->KeepSets().isChecked();
  const std::string folder = dir1_->Path();
  list_ = WorkInBackground([&] {
    RenameList loaded;
    const std::vector<FolderItem>& all = listing->Items();
    std::vector<FolderItem> given;
    if (startNames_) {
      std::copy_if(all.begin(), all.end(), std::back_inserter(given),
                   [&](const FolderItem& item) { return startNames_->contains(item.name); });
    }
    const std::vector<FolderItem>& items = startNames_ ? given : all;
    if (keepSets) {
      // Names are grouped as the folder's volume compares them.
      LoadFolderSets(loaded, items, files_->OpenFolder(folder)->Rules(items));
    } else {
      loaded.LoadFolderItems(items);
    }
    return loaded;
  });
  preview_.KeepListing(std::move(listing));
}

void Form1::KeepSets(bool keep) {
  // A choice that cannot be stored still holds for this run.
  if (settings_) Run([&] { settings_->SetKeepSets(keep); });
  ReloadFolder(dir1_->Path());
}

// The one place in the window that traps an error: a drive that cannot be opened.
void Form1::ChangeDrive() {
  for (;;) {
    const std::string drive = drive1_->Drive();
    const std::string folder = FolderToOpenOn(drive);
    try {
      dir1_->SetPath(folder);
      return;
    } catch (const Error& error) {
      if (folder != drive) {
        // The folder last open there has gone; the drive's top folder may still open.
        lastFolderOnDrive_.erase(drive);
        continue;
      }
      if (services_.ShowMessage(NoDataPrompt(error), MessageButtons::OkCancelWarning, std::string("No Data")) !=
          MessageAnswer::Ok) {
        drive1_->SetDrive(dir1_->Path());
        return;
      }
    }
  }
}

void Form1::OpenFolder(const std::string& path) {
  Run([&] { dir1_->SetPath(path); });
}

void Form1::RemoveSelected() {
  const bool removed = Run([&] {
    PushSelection(*listView1_->selectionModel(), list_);
    list_.RemoveSelected();
  });
  ShowSelection(list_, *listView1_->selectionModel());
  if (removed) Run([&] { CheckPreview(); });
}

void Form1::MoveSelected(void (RenameList::*moveOperation)()) {
  MoveSelectedRows([&] { (list_.*moveOperation)(); });
}

// Alt with an arrow, Home or End moves every selected row of the list.
bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched != listView1_ || event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  const auto& key = static_cast<const QKeyEvent&>(*event);
  if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier) return false;
  switch (key.key()) {
    case Qt::Key_Up:
      MoveSelectedRows([this] { list_.MoveSelectedRowsUp(); });
      return true;
    case Qt::Key_Down:
      MoveSelectedRows([this] { list_.MoveSelectedRowsDown(); });
      return true;
    case Qt::Key_Home:
      MoveSelectedRows([this] { list_.MoveSelectedRowsTo(1); });
      return true;
    case Qt::Key_End:
      MoveSelectedRows([this] { list_.MoveSelectedRowsTo(list_.Count() + 1); });
      return true;
    default:
      return false;
  }
}

void Form1::MoveSelectedRows(const std::function<void()>& move) {
  Run([&] {
    PushSelection(*listView1_->selectionModel(), list_);
    move();
  });
  ShowSelection(list_, *listView1_->selectionModel());
  listView1_->scrollTo(listView1_->currentIndex());
}

// An ordering moves entries as the moves do, and never touches the disk. `order` works the
// order out beside the window, which paints meanwhile; the list takes it at once.
void Form1::ArrangeList(const std::function<std::optional<ListOrder>()>& order) {
  if (list_.Count() == 0 || ordering_) return;
  ordering_ = true;
  Run([&] {
    PushSelection(*listView1_->selectionModel(), list_);
    if (const std::optional<ListOrder> arranged = order()) {
      RenameList replaced = std::exchange(list_, WorkInBackground([&] { return list_.Arranged(*arranged); }));
      // A million entries take a while to go; nothing paints from them any more.
      WorkInBackground([&] { RenameList gone = std::move(replaced); });
    }
  });
  ordering_ = false;
  ShowSelection(list_, *listView1_->selectionModel());
  listView1_->scrollTo(listView1_->currentIndex());
}

void Form1::OrderBy(ListOrder (*order)(const RenameList&, bool previewShown)) {
  const bool previewShown = preview_.Shown();
  ArrangeList([&] { return std::optional<ListOrder>(WorkInBackground([&] { return order(list_, previewShown); })); });
}

// A read of the dates taken shows how far it has come, and Escape or Cancel stops it, which
// leaves the list as it was.
void Form1::OrderByDate(DateKind kind) {
  const std::string folder = dir1_->Path();
  const bool previewShown = preview_.Shown();
  ArrangeList([&]() -> std::optional<ListOrder> {
    DateReading reading;
    // A set is dated by its main file, or where that says nothing, by a member.
    const std::vector<std::string_view> names = EveryFileNameOf(list_, previewShown);
    const auto readDates = [&] { return ReadEntryDates(*dates_, folder, list_, names, kind, reading); };
    const std::optional<std::vector<FileDate>> dates = kind == DateKind::Modified
                                                           ? WorkInBackground(readDates)
                                                           : dateReadingBar_->Show(reading, names.size(), readDates);
    if (!dates) return std::nullopt;
    return WorkInBackground([&] { return DateOrder(list_, previewShown, *dates); });
  });
}

void Form1::Simulate() {
  const NamingFields fields = ReadNamingFields();
  const NamingDates naming(fields);
  std::optional<EntryDates> dates;
  // Marks of the last preview would stand on rows whose names are new. Cancel on the read of
  // the dates leaves the list as it was, not previewed.
  bool simulated = Run([&] {
    if (naming.HasFields() && !(dates = ReadNamingDates(naming.KindToRead()))) return;
    preview_.Simulate(fields, dates ? &*dates : nullptr);
    previewNotices_->Simulated(fields);
    marks_.Clear();
    undated_.Clear();
    if (naming.UsesTaken()) undated_.Show(list_, dates->dates);
  });
  simulated = simulated && preview_.Shown();
  if (simulated) Run([&] { CheckPreview(); });
}

// The dates of every entry for its new name; nothing when the user stopped the read.
std::optional<EntryDates> Form1::ReadNamingDates(DateKind kind) {
  const std::string folder = dir1_->Path();
  // A set is named by the date its main file tells, or where that says nothing, a member.
  const bool sets = HoldsSets(list_);
  const std::vector<std::string_view> names =
      sets ? EveryFileNameOf(list_, preview_.Shown()) : FileNamesOf(list_, preview_.Shown());
  DateReading reading;
  const auto readDates = [&] { return dates_->ReadNameDates(folder, names, kind, reading); };
  std::optional<std::vector<NameDates>> dates = kind == DateKind::Modified
                                                    ? WorkInBackground(readDates)
                                                    : dateReadingBar_->Show(reading, names.size(), readDates);
  if (!dates) return std::nullopt;
  if (sets) dates = NameDatesOfEntries(list_, *dates);
  return EntryDates{std::move(*dates), system_->MonthAbbreviations()};
}

// The menu's entry is greyed, its tip saying why, while the pattern writes numbers that
// cannot be read back from names.
void Form1::ShowStartAfterHighestNumberState() {
  QAction& entry = listMenu_->StartAfterHighestNumber();
  const std::optional<std::string> why = WhyNumbersCannotBeRead(ReadNamingFields());
  entry.setEnabled(entry.isEnabled() && !why);
  entry.setToolTip(why ? QString::fromStdString(*why) : QString());
}

void Form1::StartAfterHighestNumber() {
  std::optional<std::int32_t> start;
  const RenameList::Position count = list_.Count();
  Run([&] {
    PushSelection(*listView1_->selectionModel(), list_);
    start = tolvane::StartAfterHighestNumber(Platform{*files_, *system_, services_}, list_, dir1_->Path(),
                                             ReadNamingFields(), preview_.Shown());
  });
  ShowSelection(list_, *listView1_->selectionModel());
  if (start) text3_->setText(QString::number(*start));
  if (list_.Count() != count) Run([&] { CheckPreview(); });
}

// The commit renames in the folder that was open when it started, and the window holds
// still until it ends.
void Form1::Rename() {
  CommitInProgress commit(services_, *this);
  const std::string folder = dir1_->Path();
  bool answered = false;
  // Cancel on the confirmation leaves everything as it was, the marks too.
  if (Run([&] { answered = preview_.Rename(Platform{*files_, *system_, services_}, folder); }) && answered) {
    Run([&] { CheckPreview(); });
  }
}

bool Form1::CanUndoLastRename() const { return UndoableHere().has_value(); }

std::optional<UndoableBatch> Form1::UndoableHere() const {
  if (running_ != 0) return std::nullopt;
  return LastUndoableBatch(Platform{*files_, *system_, services_}, dir1_->Path(), &knownReversals_);
}

// The undo renames in the folder that was open when it started, and the window holds still
// until it ends; the list then shows the folder's files as they are.
void Form1::UndoLastRename() {
  CommitInProgress commit(services_, *this);
  const std::string folder = dir1_->Path();
  // Only Cancel, or no batch to undo, leaves everything as it was: once the undo has begun,
  // files may have been renamed even when it stopped with an error.
  bool begun = true;
  Run([&] { begun = UndoLastBatch(Platform{*files_, *system_, services_}, folder); });
  if (begun) ReloadFolder(folder);
}

void Form1::FinishCutShortRename() {
  CommitInProgress commit(services_, *this);
  const std::string folder = dir1_->Path();
  bool asked = true;
  Run([&] { asked = tolvane::RecoverCutShortBatches(Platform{*files_, *system_, services_}, folder); });
  if (asked) ReloadFolder(folder);
}

void Form1::ReloadFolder(const std::string& folder) {
  Run([&] { ShowFiles(WorkInBackground([&] { return std::make_unique<FolderListing>(*files_, folder); })); });
}

void Form1::Undo() {
  Run([&] {
    preview_.Undo();
    CheckPreview();
  });
}

template <typename Operation>
bool Form1::Run(Operation&& operation) {
  std::optional<Error> failure;
  ++running_;
  try {
    operation();
  } catch (const Error& error) {
    failure = error;
  }
  --running_;
  ShowState();
  if (failure) services_.ReportUnhandledError(*failure);
  return !failure;
}

void Form1::ShowState() {
  model_->Refresh();
  const PreviewFlags& flags = preview_.Flags();
  command4_->setEnabled(flags.simulate);
  command5_->setEnabled(flags.rename);
  command6_->setEnabled(flags.undo);
  undatedLine_->setText(flags.undo ? undated_.Line() : QString());
  previewNotices_->Refresh();
}

// Marks the rows that the commit's check would stop, for as long as a preview is on show,
// and keeps the check for the commit. The list is shown before the check, which reads the
// whole folder and looks at every entry, so that a long list shows its new names at once and
// the marks follow. The marks raise no box of their own: a folder that cannot be read leaves
// no row marked, and the rows' tips say why.
void Form1::CheckPreview() {
  if (!preview_.Shown()) {
    marks_.Clear();
    return;
  }
  const std::string folder = dir1_->Path();
  // A check the preview still holds needs no read of the folder.
  const CheckedBatch* held = preview_.HeldCheck(folder);
  std::unique_ptr<CheckedBatch> checked;
  try {
    marks_ = WorkInBackground([&] {
      if (!held) {
        checked = std::make_unique<CheckedBatch>(list_, files_->OpenFolder(folder), folder, preview_.Listing());
        held = checked.get();
      }
      PreviewMarks marks;
      marks.Show(held->Files(), held->Problems());
      return marks;
    });
  } catch (const Error& error) {
    marks_.ShowUnchecked(error.Description());
    return;
  }
  if (checked) preview_.KeepCheck(std::move(checked));
}

std::string Form1::FolderToOpenOn(const std::string& drive) const {
  const auto folder = lastFolderOnDrive_.find(drive);
  return folder == lastFolderOnDrive_.end() ? drive : folder->second;
}

NamingFields Form1::ReadNamingFields() const {
  return NamingFields{TextOf(*text1_), TextOf(*text2_), TextOf(*text3_), TextOf(*text4_)};
}

}  // namespace tolvane
