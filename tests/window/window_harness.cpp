#include <algorithm>
#include "tests/window/window_harness.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "window/folder_list.h"

namespace tolvane::testing {

class HookedFileSystem::Folder final : public OpenedFolder {
 public:
  Folder(HookedFileSystem& files, std::unique_ptr<OpenedFolder> real) : files_(files), real_(std::move(real)) {}
  void RenameFile(std::string_view oldName, std::string_view newName) override {
    ++files_.renames;
    if (files_.beforeRename) files_.beforeRename();
    real_->RenameFile(oldName, newName);
  }
  std::vector<FolderItem> ReadItems() override {
    if (files_.beforeRead) files_.beforeRead();
    return real_->ReadItems();
  }
  bool SameFile(std::string_view name, std::string_view otherName) override { return real_->SameFile(name, otherName); }
  void DropSecondName(std::string_view name, std::string_view keptName) override {
    real_->DropSecondName(name, keptName);
  }
  bool KeepsIdentities() override { return real_->KeepsIdentities(); }
  std::string VolumeName() override { return real_->VolumeName(); }
  VolumeRules Rules(const std::vector<FolderItem>& items) override { return real_->Rules(items); }
  bool Holds(std::string_view name) override { return real_->Holds(name); }
  FileIdentity Identity() override { return real_->Identity(); }
  std::optional<FileIdentity> Identify(std::string_view name) override { return real_->Identify(name); }
  void Sync() override { real_->Sync(); }
  std::unique_ptr<FolderWatch> Watch() override { return real_->Watch(); }

 private:
  HookedFileSystem& files_;
  std::unique_ptr<OpenedFolder> real_;
};

std::unique_ptr<OpenedFolder> HookedFileSystem::OpenFolder(const std::string& folderPath) {
  if (folderPath == privateFolder) return real_.OpenFolder(folderPath);
  return std::make_unique<Folder>(*this, real_.OpenFolder(folderPath));
}

bool WindowThreadAnswers() {
  using namespace std::chrono_literals;
  // Shared, since a call that comes too late must still find its flag.
  const auto answered = std::make_shared<std::atomic<bool>>(false);
  QMetaObject::invokeMethod(qApp, [answered] { *answered = true; }, Qt::QueuedConnection);
  for (auto waited = 0ms; waited < 5s && !*answered; waited += 5ms) std::this_thread::sleep_for(5ms);
  return *answered;
}

MessageBoxAnswerer::MessageBoxAnswerer() {
  connect(&poll_, &QTimer::timeout, this, &MessageBoxAnswerer::AnswerShownBox);
  poll_.start(5);
}

void MessageBoxAnswerer::Queue(QMessageBox::StandardButton answer, std::function<void()> before) {
  answers_.push_back(Answer{answer, std::move(before), {}});
}

void MessageBoxAnswerer::QueueCaption(const QString& caption) {
  answers_.push_back(Answer{QMessageBox::NoButton, {}, caption});
}

void MessageBoxAnswerer::AnswerShownBox() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (box == nullptr || !box->isVisible()) return;
  const QAbstractButton* ok = box->button(QMessageBox::Ok);
  const QAbstractButton* cancel = box->button(QMessageBox::Cancel);
  const bool okFirst = !ok || !cancel || ok->mapTo(box, QPoint()).x() < cancel->mapTo(box, QPoint()).x();
  QList<QAbstractButton*> buttons = box->buttons();
  std::sort(buttons.begin(), buttons.end(), [box](const QAbstractButton* a, const QAbstractButton* b) {
    return a->mapTo(box, QPoint()).x() < b->mapTo(box, QPoint()).x();
  });
  QStringList captions;
  for (const QAbstractButton* button : buttons) captions << button->text();
  boxes.push_back(Box{box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                      box->standardButton(box->defaultButton()), okFirst, captions,
                      box->defaultButton() ? box->defaultButton()->text() : QString(), box->height()});
  if (answers_.empty()) {
    ++unexpected;
    box->escapeButton() ? box->escapeButton()->click() : box->button(QMessageBox::Ok)->click();
    return;
  }
  const Answer answer = std::move(answers_.front());
  answers_.pop_front();
  if (answer.before) answer.before();
  if (answer.caption.isEmpty()) return box->button(answer.button)->click();
  for (QAbstractButton* button : box->buttons()) {
    if (button->text() == answer.caption) return button->click();
  }
  ++unexpected;
  box->escapeButton()->click();
}

void WindowTest::OpenWindow(const std::vector<std::string>& drives, const std::string& startFolder,
                            const std::vector<std::string>& startPaths) {
  MakeFolder("bin/log");
  auto fileSystem = std::make_unique<HookedFileSystem>();
  auto fakeSystem = std::make_unique<FakeSystem>();
  files = fileSystem.get();
  files->privateFolder = temp.Path("home/.local/state/tolvane");
  system = fakeSystem.get();
  system->executableFolder = temp.Path("bin");
  // A report that misses bin/log goes under the test's own folder, never a real home.
  system->environment = {{"HOME", temp.Path("home")}};
  system->currentFolder = PathOf(startFolder);
  auto mounted = std::make_unique<FakeDrives>(std::vector<Drive>{});
  for (const std::string& drive : drives) mounted->drives.push_back(Drive{PathOf(drive), {}});
  machineDrives = mounted.get();
  std::vector<std::string> paths;
  for (const std::string& path : startPaths) paths.push_back(PathOf(path));
  auto fakeDates = std::make_unique<FakeFileDates>();
  dates = fakeDates.get();
  auto fakeSettings = std::make_unique<FakeSettings>();
  fakeSettings->keepSets = keepSets;
  settings = fakeSettings.get();
  form = std::make_unique<Form1>(Form1Environment{std::move(fileSystem), std::move(fakeSystem), std::move(mounted),
                                                  std::move(fakeDates), std::move(fakeSettings)},
                                 paths);
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
}

void WindowTest::MakeFolder(const std::string& name) const { std::filesystem::create_directories(temp.Path(name)); }

void WindowTest::WriteFile(const std::string& name, const std::string& content) const {
  std::filesystem::create_directories(std::filesystem::path(temp.Path(name)).parent_path());
  temp.WriteFile(name, content);
}

void WindowTest::Click(const char* button) { QTest::mouseClick(&Find<QPushButton>(button), Qt::LeftButton); }

void WindowTest::OpenFolderInDir1(const QString& rowText) {
  auto& dir1 = Find<FolderList>("Dir1");
  QListWidgetItem* row = Dir1Row(rowText);
  ASSERT_NE(row, nullptr) << rowText.toStdString();
  // As a mouse gives it: a click, then the second press as a double click.
  const QPoint at = dir1.visualItemRect(row).center();
  QTest::mouseClick(dir1.viewport(), Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseDClick(dir1.viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

void WindowTest::ClickRow(int row, Qt::KeyboardModifiers modifiers) {
  auto& view = Find<QTreeView>("ListView1");
  const QModelIndex index = view.model()->index(row, 0);
  view.scrollTo(index);
  QTest::mouseClick(view.viewport(), Qt::LeftButton, modifiers, view.visualRect(index).center());
}

void WindowTest::Type(const char* textBox, const QString& text) {
  auto& box = Find<QLineEdit>(textBox);
  box.selectAll();
  QTest::keyClick(&box, Qt::Key_Delete);
  QTest::keyClicks(&box, text);
}

QStringList WindowTest::ListRows() const {
  const QAbstractItemModel& model = *Find<QTreeView>("ListView1").model();
  QStringList rows;
  for (int row = 0; row < model.rowCount(); ++row) rows << model.index(row, 0).data().toString();
  return rows;
}

QStringList WindowTest::Dir1Rows() const {
  const auto& dir1 = Find<FolderList>("Dir1");
  QStringList rows;
  for (int row = 0; row < dir1.count(); ++row) rows << dir1.item(row)->text();
  return rows;
}

std::string WindowTest::Dir1Path() const { return Find<FolderList>("Dir1").Path(); }

std::vector<int> WindowTest::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : Find<QTreeView>("ListView1").selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

int WindowTest::CurrentRow() const { return Find<QTreeView>("ListView1").currentIndex().row(); }

QListWidgetItem* WindowTest::Dir1Row(const QString& text) const {
  const QList<QListWidgetItem*> rows = Find<FolderList>("Dir1").findItems(text, Qt::MatchExactly);
  return rows.isEmpty() ? nullptr : rows.first();
}

std::vector<bool> WindowTest::PreviewButtonsEnabled() const {
  return {Find<QPushButton>("Command4").isEnabled(), Find<QPushButton>("Command5").isEnabled(),
          Find<QPushButton>("Command6").isEnabled()};
}

QString WindowTest::OnlyErrorReport() const {
  EXPECT_EQ(answerer.boxes.size(), 1u);
  if (answerer.boxes.empty()) return {};
  const MessageBoxAnswerer::Box& box = answerer.boxes.front();
  EXPECT_EQ(box.title, "Tolvane");
  EXPECT_EQ(box.icon, QMessageBox::Critical);
  EXPECT_TRUE(QRegularExpression("^Error \\d+: .").match(box.text).hasMatch()) << box.text.toStdString();
  return box.text;
}

}  // namespace tolvane::testing
