#include "platform/linux_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/linux_volume_rules.h"
#include "platform/no_replace_rename.h"
#include "platform/path.h"

namespace tolvane {

namespace {

struct FolderCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

FolderItemKind KindFromMode(mode_t mode) {
  if (S_ISREG(mode)) return FolderItemKind::File;
  if (S_ISDIR(mode)) return FolderItemKind::Directory;
  return FolderItemKind::Other;
}

// The entry's own type suffices for everything but links and file systems that do not
// give one, so a large folder costs one pass of readdir and few stat calls.
FolderItemKind KindOf(int folder, const dirent& entry) {
  switch (entry.d_type) {
    case DT_REG: return FolderItemKind::File;
    case DT_DIR: return FolderItemKind::Directory;
    case DT_LNK:
    case DT_UNKNOWN: {
      struct stat info {};
      if (fstatat(folder, entry.d_name, &info, 0) != 0) return FolderItemKind::Other;
      return KindFromMode(info.st_mode);
    }
    default: return FolderItemKind::Other;
  }
}

// A folder's size tells about how many names it holds: tmpfs counts 20 bytes a name, and
// ext4, xfs and btrfs give at least 8 a name. Reserving for that many spares a large folder's
// list being copied as it grows, and room that no name takes is never touched, so it costs
// no memory. The count is only a hint: a folder of another size still reads whole.
std::size_t LikelyItemCount(int folder) {
  constexpr off_t kSmallestBytesPerName = 8;
  constexpr off_t kMostNamesHinted = off_t{1} << 24;
  struct stat info {};
  if (fstat(folder, &info) != 0 || info.st_size <= 0) return 0;
  return static_cast<std::size_t>(std::min(info.st_size / kSmallestBytesPerName, kMostNamesHinted));
}

[[noreturn]] void RaiseRenameError(int errnum, const std::string& folderPath, std::string_view oldName,
                                   std::string_view newName) {
  const std::string oldPath = JoinPath(folderPath, oldName);
  const std::string newPath = JoinPath(folderPath, newName);
  const bool newPathTaken = errnum == EEXIST || errnum == ENOTEMPTY;
  const Error error = Error::FromErrno(errnum, newPathTaken ? newPath : oldPath);
  throw Error(static_cast<ErrorNumber>(error.Number()),
              error.Description() + " while renaming " + oldPath + " to " + newPath);
}

[[noreturn]] void RaiseRenameError(int errnum, const no_replace_rename::NamesInFolder& names) {
  RaiseRenameError(errnum, names.folderPath, names.oldName, names.newName);
}

bool LinksUnavailable(int errnum) {
  return errnum == EPERM || errnum == EOPNOTSUPP || errnum == ENOSYS || errnum == EMLINK;
}

// Unwritten bytes stay in `buffer`; the result is 0 or the errno of the failed write.
int WriteAll(int fd, std::string& buffer) {
  std::size_t written = 0;
  int failure = 0;
  while (written < buffer.size()) {
    const ssize_t count = write(fd, buffer.data() + written, buffer.size() - written);
    if (count < 0) {
      if (errno == EINTR) continue;
      failure = errno;
      break;
    }
    written += static_cast<std::size_t>(count);
  }
  buffer.erase(0, written);
  return failure;
}

class FileLineWriter final : public LineWriter {
 public:
  FileLineWriter(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  FileLineWriter(const FileLineWriter&) = delete;
  FileLineWriter& operator=(const FileLineWriter&) = delete;

  ~FileLineWriter() override {
    // Lines written before an error stay written; failures here have nobody to go to.
    if (fd_ < 0) return;
    WriteAll(fd_, buffer_);
    close(fd_);
  }

  void WriteLine(std::string_view text) override {
    if (fd_ < 0) throw Error(ErrorNumber::BadFileName, "Bad file name or number: " + path_ + " is closed");
    buffer_.append(text).append("\r\n");
    if (buffer_.size() < kFlushSize) return;
    if (const int failure = WriteAll(fd_, buffer_); failure != 0) throw Error::FromErrno(failure, path_);
  }

  void Close() override {
    if (fd_ < 0) return;
    int failure = WriteAll(fd_, buffer_);
    if (close(std::exchange(fd_, -1)) != 0 && failure == 0 && errno != EINTR) failure = errno;
    buffer_.clear();
    if (failure != 0) throw Error::FromErrno(failure, path_);
  }

 private:
  static constexpr std::size_t kFlushSize = 1 << 16;
  int fd_;
  std::string path_;
  std::string buffer_;
};

// Renames relative to a descriptor of the folder, so that the kernel walks the folder's path
// once for a whole batch instead of twice for every file.
class DescriptorFolder final : public OpenedFolder {
 public:
  DescriptorFolder(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  DescriptorFolder(const DescriptorFolder&) = delete;
  DescriptorFolder& operator=(const DescriptorFolder&) = delete;
  ~DescriptorFolder() override { close(fd_); }

  void RenameFile(std::string_view oldName, std::string_view newName) override {
    if (!IsBareName(oldName) || !IsBareName(newName)) RaiseRenameError(EINVAL, path_, oldName, newName);
    const no_replace_rename::NamesInFolder names{fd_, path_, Terminated(oldName_, oldName), Terminated(newName_, newName)};
    if (oldName == newName) {
      if (!Exists(names.oldName)) RaiseRenameError(errno, names);
      return;
    }
    try {
      no_replace_rename::Rename(names);
    } catch (const Error& error) {
      RaiseIfNameRefused(error, names);
      throw;
    }
  }

  VolumeRules Rules(const std::vector<FolderItem>& items) override { return ReadVolumeRules(fd_, items); }

  bool Holds(std::string_view name) override {
    if (name.empty() || !IsBareName(name)) return false;
    return Exists(Terminated(lookedUp_, name));
  }

 private:
  bool Exists(const char* name) const {
    struct stat info {};
    return fstatat(fd_, name, &info, AT_SYMLINK_NOFOLLOW) == 0;
  }

  // exFAT's and FAT's drivers answer a name they refuse with "not found", though the file
  // they were asked to rename is there: the message says so rather than "File not found".
  void RaiseIfNameRefused(const Error& error, const no_replace_rename::NamesInFolder& names) const {
    if (error.Number() != static_cast<int>(ErrorNumber::FileNotFound)) return;
    if (!Exists(names.oldName) || Exists(names.newName)) return;
    throw Error(ErrorNumber::BadFileName, std::string(ClassicDescription(ErrorNumber::BadFileName)) +
                                              ": the volume of " + path_ + " refuses the name " + names.newName +
                                              " while renaming " + JoinPath(path_, names.oldName) + " to " +
                                              JoinPath(path_, names.newName));
  }

  // A "/" would reach out of the folder, and a NUL would cut the name short.
  static bool IsBareName(std::string_view name) {
    return name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
  }

  // The name as the kernel takes it, in a buffer kept from file to file, so that a million
  // renames allocate nothing.
  static const char* Terminated(std::string& buffer, std::string_view name) {
    buffer.assign(name);
    return buffer.c_str();
  }

  int fd_;
  std::string path_;
  std::string oldName_;
  std::string newName_;
  std::string lookedUp_;
};

}  // namespace

namespace no_replace_rename {

void Rename(const NamesInFolder& names) {
  if (renameat2(names.folder, names.oldName, names.folder, names.newName, RENAME_NOREPLACE) == 0) return;
  const int failure = errno;
  if (failure == EINVAL || failure == ENOSYS || failure == EOPNOTSUPP) return ByLink(names);
  RaiseRenameError(failure, names);
}

void ByLink(const NamesInFolder& names) {
  if (linkat(names.folder, names.oldName, names.folder, names.newName, 0) != 0) {
    const int failure = errno;
    if (LinksUnavailable(failure)) return AfterCheck(names);
    RaiseRenameError(failure, names);
  }
  if (unlinkat(names.folder, names.oldName, 0) != 0) {
    const int failure = errno;
    // Leave the file under its old name only, as before the call.
    unlinkat(names.folder, names.newName, 0);
    RaiseRenameError(failure, names);
  }
}

void AfterCheck(const NamesInFolder& names) {
  struct stat info {};
  if (fstatat(names.folder, names.newName, &info, AT_SYMLINK_NOFOLLOW) == 0) RaiseRenameError(EEXIST, names);
  if (renameat(names.folder, names.oldName, names.folder, names.newName) != 0) RaiseRenameError(errno, names);
}

}  // namespace no_replace_rename

std::vector<FolderItem> LinuxFileSystem::ReadFolder(const std::string& folderPath) {
  const std::unique_ptr<DIR, FolderCloser> folder(opendir(folderPath.c_str()));
  if (!folder) throw Error::FromErrno(errno, folderPath);
  const int folderFd = dirfd(folder.get());
  std::vector<FolderItem> items;
  items.reserve(LikelyItemCount(folderFd));
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(folder.get());
    if (!entry) {
      if (errno != 0) throw Error::FromErrno(errno, folderPath);
      return items;
    }
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    items.push_back({std::string(name), KindOf(folderFd, *entry)});
  }
}

std::unique_ptr<OpenedFolder> LinuxFileSystem::OpenFolder(const std::string& folderPath) {
  // O_PATH asks for no right to read the folder: renaming in it needs none.
  const int fd = open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw Error::FromErrno(errno, folderPath);
  return std::make_unique<DescriptorFolder>(fd, folderPath);
}

std::unique_ptr<LineWriter> LinuxFileSystem::OpenForAppend(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    const int failure = errno;
    // With O_CREAT a missing name can only be a missing folder on the way.
    if (failure == ENOENT) {
      throw Error(ErrorNumber::PathNotFound, std::string(ClassicDescription(ErrorNumber::PathNotFound)) + ": " + path +
                                                 " (" + std::strerror(failure) + ")");
    }
    throw Error::FromErrno(failure, path);
  }
  return std::make_unique<FileLineWriter>(fd, path);
}

}  // namespace tolvane
