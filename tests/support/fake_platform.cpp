#include "tests/support/fake_platform.h"

#include <cerrno>
#include <utility>

#include "platform/date_format.h"
#include "platform/path.h"

namespace tolvane::testing {

namespace {

std::string Normalise(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out.push_back(c);
  }
  if (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string FoldAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string ParentOf(const std::string& normalised) {
  const auto slash = normalised.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : normalised.substr(0, slash);
}

std::string NameOf(const std::string& normalised) {
  const auto slash = normalised.rfind('/');
  return slash == std::string::npos ? normalised : normalised.substr(slash + 1);
}

class FakeLineWriter final : public LineWriter {
 public:
  explicit FakeLineWriter(std::string& content) : content_(content) {}
  void WriteLine(std::string_view text) override {
    content_.append(text);
    content_.append("\r\n");
  }
  void Close() override {}

 private:
  std::string& content_;
};

}  // namespace

void FakeFileSystem::AddFolder(const std::string& path) {
  const std::string p = Normalise(path);
  folders_.insert(p);
  if (p != "/") nodes_[p] = Node{FolderItemKind::Directory, {}, ++lastInode_};
}

void FakeFileSystem::AddFile(const std::string& path, std::string content, FolderItemKind kind) {
  const std::string p = Normalise(path);
  folders_.insert(ParentOf(p));
  nodes_[p] = Node{kind, std::move(content), ++lastInode_};
}

void FakeFileSystem::Remove(const std::string& path) { nodes_.erase(Normalise(path)); }

bool FakeFileSystem::Exists(const std::string& path) const { return nodes_.count(Normalise(path)) > 0; }

const std::string& FakeFileSystem::Content(const std::string& path) const { return nodes_.at(Normalise(path)).content; }

void FakeFileSystem::SetVolumeRules(const std::string& folder, VolumeRules rules) {
  volumeRules_[Normalise(folder)] = rules;
}

VolumeRules FakeFileSystem::RulesOf(const std::string& folder) const {
  const auto rules = volumeRules_.find(folder);
  return rules == volumeRules_.end() ? VolumeRules{} : rules->second;
}

std::optional<std::string> FakeFileSystem::Holder(const std::string& path) const {
  if (nodes_.count(path)) return path;
  const std::string folder = ParentOf(path);
  if (!RulesOf(folder).foldsCase) return std::nullopt;
  const std::string folded = FoldAscii(NameOf(path));
  for (const auto& [other, node] : nodes_) {
    if (ParentOf(other) == folder && FoldAscii(NameOf(other)) == folded) return other;
  }
  return std::nullopt;
}

std::map<std::string, std::string> FakeFileSystem::FilesIn(const std::string& folder) const {
  const std::string f = Normalise(folder);
  std::map<std::string, std::string> out;
  for (const auto& [path, node] : nodes_) {
    if (ParentOf(path) == f) out[NameOf(path)] = node.content;
  }
  return out;
}

std::vector<FolderItem> FakeFileSystem::ReadFolder(const std::string& folderPath) {
  const std::string f = Normalise(folderPath);
  if (!folders_.count(f)) throw Error::FromErrno(ENOENT, folderPath);
  std::vector<FolderItem> items;
  for (const auto& [path, node] : nodes_) {
    if (ParentOf(path) == f) items.push_back({NameOf(path), node.kind, node.inode});
  }
  return items;
}

class FakeFileSystem::Folder final : public OpenedFolder {
 public:
  Folder(FakeFileSystem& files, std::string path) : files_(files), path_(std::move(path)) {}
  void RenameFile(std::string_view oldName, std::string_view newName) override {
    files_.Rename(JoinPath(path_, oldName), JoinPath(path_, newName));
  }
  std::vector<FolderItem> ReadItems() override { return files_.ReadFolder(path_); }
  // The fake knows no hard links: a name leads to a file of its own.
  bool SameFile(std::string_view, std::string_view) override { return false; }
  void DropSecondName(std::string_view name, std::string_view) override {
    throw Error::FromErrno(EINVAL, JoinPath(path_, name));
  }
  VolumeRules Rules(const std::vector<FolderItem>&) override { return files_.RulesOf(Normalise(path_)); }
  bool Holds(std::string_view name) override { return name.find('/') == std::string_view::npos && Identify(name); }
  FileIdentity Identity() override { return files_.IdentityOf(path_); }
  // As a volume that folds case does, the item answers to its name in any case.
  std::optional<FileIdentity> Identify(std::string_view name) override {
    const std::optional<std::string> holder = files_.Holder(Normalise(JoinPath(path_, name)));
    if (!holder) return std::nullopt;
    return files_.IdentityOf(*holder);
  }
  void Sync() override { files_.diskLog.push_back("sync " + Normalise(path_)); }
  // The fake vouches for no folder: every commit reads its folder again.
  std::unique_ptr<FolderWatch> Watch() override { return nullptr; }
  bool KeepsIdentities() override { return !files_.fleetingIdentities.count(Normalise(path_)); }
  std::string VolumeName() override {
    const auto name = files_.volumeNames.find(Normalise(path_));
    return name == files_.volumeNames.end() ? std::string() : name->second;
  }

 private:
  FakeFileSystem& files_;
  std::string path_;
};

FileIdentity FakeFileSystem::IdentityOf(const std::string& path) const {
  const auto node = nodes_.find(Normalise(path));
  return {1, node == nodes_.end() ? 1 : node->second.inode};
}

class FakeFileSystem::Locked : public DurableFile {
 public:
  Locked(FakeFileSystem& files, std::string path) : files_(files), path_(std::move(path)) { files_.locked_.insert(path_); }
  ~Locked() override { files_.locked_.erase(path_); }
  std::string ReadAll(std::uint64_t mostBytes) override {
    const std::string& content = files_.Content(path_);
    if (content.size() > mostBytes) throw Error(ErrorNumber::PathFileAccessError, path_ + " is too large");
    return content;
  }
  std::string ReadStart(std::size_t bytes) override { return files_.Content(path_).substr(0, bytes); }
  bool OwnedByUser() override { return !files_.othersFiles.count(path_); }
  void Write(std::string_view) override {}
  void Finish() override {}

 protected:
  FakeFileSystem& files_;
  std::string path_;
};

class FakeFileSystem::Durable final : public Locked {
 public:
  Durable(FakeFileSystem& files, const std::string& path) : Locked(files, path + std::string(kPartialFileSuffix)), name_(Normalise(path)) {}
  ~Durable() override {
    if (!finished_) files_.Remove(Locked::path_);
  }
  void Write(std::string_view bytes) override { files_.nodes_.at(Locked::path_).content.append(bytes); }
  void Finish() override {
    if (files_.Exists(name_)) throw Error::FromErrno(EEXIST, name_);
    files_.nodes_[name_] = std::move(files_.nodes_.at(Locked::path_));
    files_.nodes_.erase(Locked::path_);
    files_.locked_.erase(Locked::path_);
    Locked::path_ = name_;
    files_.locked_.insert(name_);
    finished_ = true;
    files_.diskLog.push_back("durable " + name_);
  }

 private:
  std::string name_;
  bool finished_ = false;
};

std::unique_ptr<OpenedFolder> FakeFileSystem::OpenFolder(const std::string& folderPath) {
  if (!folders_.count(Normalise(folderPath))) throw Error::FromErrno(ENOENT, folderPath);
  return std::make_unique<Folder>(*this, folderPath);
}

void FakeFileSystem::Rename(const std::string& oldPath, const std::string& newPath) {
  renames.emplace_back(oldPath, newPath);
  const std::string from = Normalise(oldPath);
  const std::string to = Normalise(newPath);
  const auto it = nodes_.find(from);
  if (it == nodes_.end()) throw Error::FromErrno(ENOENT, oldPath);
  if (!folders_.count(ParentOf(to))) throw Error::FromErrno(ENOENT, newPath);
  if (from == to) return;
  // Like renameat2's RENAME_NOREPLACE, a change of case alone finds its own file in the way.
  if (Holder(to)) throw Error::FromErrno(EEXIST, newPath);
  Node node = std::move(it->second);
  nodes_.erase(it);
  nodes_[to] = std::move(node);
  diskLog.push_back("rename " + from + " " + to);
}

std::unique_ptr<DurableFile> FakeFileSystem::CreateDurableFile(const std::string& path) {
  const std::string part = Normalise(path) + std::string(kPartialFileSuffix);
  if (!folders_.count(ParentOf(part))) throw Error::FromErrno(ENOENT, path);
  if (nodes_.count(part)) throw Error::FromErrno(EEXIST, part);
  AddFile(part);
  return std::make_unique<Durable>(*this, Normalise(path));
}

std::unique_ptr<LockedFile> FakeFileSystem::TryLockFile(const std::string& path) {
  const std::string p = Normalise(path);
  const auto node = nodes_.find(p);
  if (node == nodes_.end() || locked_.count(p)) return nullptr;
  if (node->second.kind != FolderItemKind::File) throw Error::FromErrno(EISDIR, path);
  return std::make_unique<Locked>(*this, p);
}

void FakeFileSystem::RemoveFile(const std::string& path) {
  if (!nodes_.erase(Normalise(path))) throw Error::FromErrno(ENOENT, path);
  diskLog.push_back("remove " + Normalise(path));
}

std::unique_ptr<LineWriter> FakeFileSystem::OpenForAppend(const std::string& path) {
  const std::string p = Normalise(path);
  if (!folders_.count(ParentOf(p))) throw Error::FromErrno(ENOENT, path);
  if (readOnlyFolders.count(ParentOf(p)) && !nodes_.count(p)) throw Error::FromErrno(EACCES, path);
  auto [it, inserted] = nodes_.try_emplace(p, Node{FolderItemKind::File, {}});
  if (it->second.kind != FolderItemKind::File) throw Error::FromErrno(EISDIR, path);
  return std::make_unique<FakeLineWriter>(it->second.content);
}

bool FakeFileSystem::IsWritableFolder(const std::string& folderPath) {
  const std::string f = Normalise(folderPath);
  return folders_.count(f) && !readOnlyFolders.count(f);
}

void FakeFileSystem::KeepPrivate(const std::string& folderPath) {
  const std::string f = Normalise(folderPath);
  if (!folders_.count(f)) throw Error::FromErrno(ENOENT, folderPath);
  if (othersFiles.count(f)) throw Error::FromErrno(EPERM, folderPath);
}

void FakeFileSystem::CreatePrivateFolder(const std::string& folderPath) {
  const std::string f = Normalise(folderPath);
  if (f == "/" || f == "." || folders_.count(f)) return;
  CreatePrivateFolder(ParentOf(f));
  if (nodes_.count(f)) throw Error::FromErrno(ENOTDIR, folderPath);
  if (readOnlyFolders.count(ParentOf(f))) throw Error::FromErrno(EACCES, folderPath);
  AddFolder(f);
  createdFolders.push_back(f);
}

DateTime FakeSystem::CurrentDateTime() {
  DateTime now = times.front();
  if (times.size() > 1) times.pop_front();
  return now;
}

MonthNames FakeSystem::MonthAbbreviations() { return EnglishMonthAbbreviations(); }

void FakeSystem::LaunchProgram(const std::vector<std::string>& arguments) {
  if (launchFailure) throw *std::exchange(launchFailure, std::nullopt);
  launches.push_back(arguments);
}

std::optional<std::string> FakeSystem::EnvironmentVariable(const std::string& name) {
  const auto found = environment.find(name);
  if (found == environment.end()) return std::nullopt;
  return found->second;
}

MessageAnswer FakeWindow::ShowMessage(const std::string& prompt, MessageButtons buttons,
                                      const std::optional<std::string>& title) {
  messages.push_back({prompt, buttons, title});
  if (onMessage) onMessage(messages.back());
  if (answers.empty()) return MessageAnswer::Ok;
  const MessageAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

std::size_t FakeWindow::AskChoice(const ChoiceBox& box) {
  choiceBoxes.push_back(box);
  messages.push_back({box.prompt, MessageButtons::OkCancel, box.title});
  if (onMessage) onMessage(messages.back());
  if (choices.empty()) return box.defaultButton;
  const std::size_t choice = choices.front();
  choices.pop_front();
  return choice;
}

void FakeWindow::YieldToEvents() {
  ++yields;
  if (onYield) onYield();
}

void FakeWindow::ShowProgress(std::size_t done, std::size_t total) { progress.emplace_back(done, total); }

void FakeWindow::ReportUnhandledError(const Error& error) { unhandledErrors.push_back(error); }

}  // namespace tolvane::testing
