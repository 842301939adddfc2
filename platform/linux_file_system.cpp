#include "platform/linux_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <tuple>
#include <utility>

#include "platform/no_replace_rename.h"
#include "platform/path.h"

namespace tolvane {

namespace {

void SyncFolder(int folder, const std::string& path);

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
    if (oldName != newName) return no_replace_rename::Rename(names);
    struct stat info {};
    if (fstatat(fd_, names.oldName, &info, AT_SYMLINK_NOFOLLOW) != 0) RaiseRenameError(errno, names);
  }

 private:
  static FileIdentity IdentityOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
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

  FileIdentity Identity() override {
    struct stat info {};
    if (fstat(fd_, &info) != 0) throw Error::FromErrno(errno, path_);
    return IdentityOf(info);
  }

  std::optional<FileIdentity> Identify(std::string_view name) override {
    if (!IsBareName(name)) throw Error::FromErrno(EINVAL, JoinPath(path_, name));
    struct stat info {};
    if (fstatat(fd_, Terminated(oldName_, name), &info, AT_SYMLINK_NOFOLLOW) == 0) return IdentityOf(info);
    if (errno == ENOENT) return std::nullopt;
    throw Error::FromErrno(errno, JoinPath(path_, name));
  }

  // The descriptor only names the folder; fsync needs one opened for reading.
  void Sync() override { SyncFolder(fd_, path_); }

 private:
  int fd_;
  std::string path_;
  std::string oldName_;
  std::string newName_;
};

// Where a folder cannot be flushed (a file system without fsync for folders) there is nothing
// more to make durable, so only true failures are raised.
void SyncFolder(int folder, const std::string& path) {
  const int fd = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw Error::FromErrno(errno, path);
  const int failure = fsync(fd) == 0 ? 0 : errno;
  close(fd);
  if (failure != 0 && failure != EINVAL && failure != EROFS) throw Error::FromErrno(failure, path);
}

std::string ReadWhole(int fd, const std::string& path) {
  std::string content;
  char chunk[1 << 16];
  for (off_t offset = 0;;) {
    const ssize_t count = pread(fd, chunk, sizeof chunk, offset);
    if (count < 0) {
      if (errno == EINTR) continue;
      throw Error::FromErrno(errno, path);
    }
    if (count == 0) return content;
    content.append(chunk, static_cast<std::size_t>(count));
    offset += count;
  }
}

class DescriptorLockedFile final : public LockedFile {
 public:
  DescriptorLockedFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  DescriptorLockedFile(const DescriptorLockedFile&) = delete;
  DescriptorLockedFile& operator=(const DescriptorLockedFile&) = delete;
  ~DescriptorLockedFile() override { close(fd_); }

  std::string ReadAll() override { return ReadWhole(fd_, path_); }

 private:
  int fd_;
  std::string path_;
};

std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const std::size_t slash = path.rfind(kPathSeparator);
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Written beside its name, then renamed to it: a file under the name is always whole.
class DescriptorDurableFile final : public DurableFile {
 public:
  explicit DescriptorDurableFile(const std::string& path) : path_(path) {
    std::tie(folderPath_, name_) = SplitPath(path);
    partName_ = name_ + std::string(kPartialFileSuffix);
    folder_ = open(folderPath_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) throw Error::FromErrno(errno, folderPath_);
    fd_ = openat(folder_, partName_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) {
      const int failure = errno;
      close(folder_);
      throw Error::FromErrno(failure, JoinPath(folderPath_, partName_));
    }
    // A new file nobody else has opened: the lock is free.
    flock(fd_, LOCK_EX | LOCK_NB);
  }
  DescriptorDurableFile(const DescriptorDurableFile&) = delete;
  DescriptorDurableFile& operator=(const DescriptorDurableFile&) = delete;
  ~DescriptorDurableFile() override {
    // After a failed Finish the partial file may be gone already; then this finds nothing.
    if (!finished_) unlinkat(folder_, partName_.c_str(), 0);
    close(fd_);
    close(folder_);
  }

  void Write(std::string_view bytes) override {
    buffer_.append(bytes);
    if (buffer_.size() >= kFlushSize) Flush();
  }

  void Finish() override {
    Flush();
    if (fsync(fd_) != 0) throw Error::FromErrno(errno, path_);
    no_replace_rename::Rename({folder_, folderPath_, partName_.c_str(), name_.c_str()});
    try {
      SyncFolder(folder_, folderPath_);
    } catch (const Error&) {
      // Not known to be on disk, so not there at all: nobody may take it for a whole file.
      unlinkat(folder_, name_.c_str(), 0);
      throw;
    }
    finished_ = true;
  }

  std::string ReadAll() override { return ReadWhole(fd_, path_); }

 private:
  void Flush() {
    if (const int failure = WriteAll(fd_, buffer_); failure != 0) throw Error::FromErrno(failure, path_);
  }

  static constexpr std::size_t kFlushSize = 1 << 16;
  std::string path_;
  std::string folderPath_;
  std::string name_;
  std::string partName_;
  int folder_ = -1;
  int fd_ = -1;
  bool finished_ = false;
  std::string buffer_;
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

namespace tolvane {

std::unique_ptr<DurableFile> LinuxFileSystem::CreateDurableFile(const std::string& path) {
  return std::make_unique<DescriptorDurableFile>(path);
}

std::unique_ptr<LockedFile> LinuxFileSystem::TryLockFile(const std::string& path) {
  // O_NONBLOCK: a fifo put in the file's place must not hold the program up.
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return nullptr;
    throw Error::FromErrno(errno, path);
  }
  auto file = std::make_unique<DescriptorLockedFile>(fd, path);
  struct stat held {};
  if (fstat(fd, &held) != 0) throw Error::FromErrno(errno, path);
  if (!S_ISREG(held.st_mode)) throw Error(ErrorNumber::BadFileName, "Bad file name or number: " + path + " is not a file");
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return nullptr;
    throw Error::FromErrno(errno, path);
  }
  // The holder of the lock may have removed or renamed the file before letting go of it.
  struct stat named {};
  if (fstat(fd, &held) != 0 || held.st_nlink == 0) return nullptr;
  if (lstat(path.c_str(), &named) != 0 || named.st_ino != held.st_ino || named.st_dev != held.st_dev) return nullptr;
  return file;
}

void LinuxFileSystem::RemoveFile(const std::string& path) {
  if (unlink(path.c_str()) != 0) throw Error::FromErrno(errno, path);
}

}  // namespace tolvane
