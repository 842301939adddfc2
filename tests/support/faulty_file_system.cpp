#include "tests/support/faulty_file_system.h"

#include <cerrno>

#include "platform/path.h"

namespace tolvane::testing {

class FaultyFileSystem::Folder final : public OpenedFolder {
 public:
  Folder(FaultyFileSystem& files, std::unique_ptr<OpenedFolder> inner, std::string path, bool another)
      : files_(files), inner_(std::move(inner)), path_(std::move(path)), another_(another) {}

  void RenameFile(std::string_view oldName, std::string_view newName) override {
    files_.CountRename(JoinPath(path_, oldName), JoinPath(path_, newName));
    inner_->RenameFile(oldName, newName);
  }
  std::vector<FolderItem> ReadItems() override { return inner_->ReadItems(); }
  bool SameFile(std::string_view name, std::string_view otherName) override { return inner_->SameFile(name, otherName); }
  void DropSecondName(std::string_view name, std::string_view keptName) override {
    inner_->DropSecondName(name, keptName);
  }
  VolumeRules Rules(const std::vector<FolderItem>& items) override { return inner_->Rules(items); }
  bool Holds(std::string_view name) override { return inner_->Holds(name); }
  FileIdentity Identity() override {
    FileIdentity identity = inner_->Identity();
    if (another_) ++identity.inode;
    return identity;
  }
  std::optional<FileIdentity> Identify(std::string_view name) override {
    std::optional<FileIdentity> file = inner_->Identify(name);
    if (file && another_) ++file->birth;
    return file;
  }
  void Sync() override { inner_->Sync(); }
  std::unique_ptr<FolderWatch> Watch() override { return inner_->Watch(); }
  bool KeepsIdentities() override { return inner_->KeepsIdentities(); }
  std::string VolumeName() override { return inner_->VolumeName(); }

 private:
  FaultyFileSystem& files_;
  std::unique_ptr<OpenedFolder> inner_;
  std::string path_;
  bool another_;
};

void FaultyFileSystem::FailRename(std::size_t position, int errnum, RenameFilter filter, bool persistent) {
  failAt_ = position;
  errnum_ = errnum;
  filter_ = std::move(filter);
  persistent_ = persistent;
  matched_ = 0;
}

std::unique_ptr<OpenedFolder> FaultyFileSystem::OpenFolder(const std::string& folderPath) {
  ++foldersOpened;
  if (folderNotFoundFromOpening != 0 && foldersOpened >= folderNotFoundFromOpening) {
    throw Error::FromErrno(ENOENT, folderPath);
  }
  const bool another = anotherFolderFromOpening != 0 && foldersOpened >= anotherFolderFromOpening;
  return std::make_unique<Folder>(*this, inner_.OpenFolder(folderPath), folderPath, another);
}

std::unique_ptr<DurableFile> FaultyFileSystem::CreateDurableFile(const std::string& path) {
  if (durableFileFailure != 0) throw Error::FromErrno(durableFileFailure, path);
  return inner_.CreateDurableFile(path);
}

void FaultyFileSystem::CountRename(const std::string& oldPath, const std::string& newPath) {
  ++renamesAsked;
  if (failAt_ == 0 || (filter_ && !filter_(oldPath, newPath))) return;
  ++matched_;
  if (matched_ == failAt_ || (persistent_ && matched_ > failAt_)) {
    failedPaths.push_back(oldPath);
    throw Error::FromErrno(errnum_, oldPath);
  }
}

}  // namespace tolvane::testing
