#include "platform/linux_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <tuple>
#include <utility>

#include "platform/linux_folder_watch.h"
#include "platform/linux_volume_identity.h"
#include "platform/linux_volume_rules.h"
#include "platform/no_replace_rename.h"
#include "platform/path.h"
#include "platform/plain_file_open.h"

namespace tolvane {

namespace {

void SyncFolder(int folder, const std::string& path, int (*fsyncCall)(int) = fsync);

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
  throw Error(error.Number(),
              error.Description() + " while renaming " + oldPath + " to " + newPath);
}

[[noreturn]] void RaiseRenameError(int errnum, const no_replace_rename::NamesInFolder& names) {
  RaiseRenameError(errnum, names.folderPath, names.oldName, names.newName);
}

bool LinksUnavailable(int errnum) {
  return errnum == EPERM || errnum == EOPNOTSUPP || errnum == ENOSYS || errnum == EMLINK;
}

// Told in runs of this many items as the read goes, so that a listener may begin on them
// while the rest of a large folder is read.
constexpr std::size_t kItemsReadInARun = 4096;

// Every name of the folder open at `fd` but "." and "..", which it takes and closes, each told
// to `run` (where given) in runs as it is read; errors name `folderPath`.
std::vector<FolderItem> ReadItemsOf(int fd, const std::string& folderPath,
                                    const OpenedFolder::ItemsRead& run = nullptr) {
  const std::unique_ptr<DIR, FolderCloser> folder(fdopendir(fd));
  if (!folder) {
    const int failure = errno;
    close(fd);
    throw Error::FromErrno(failure, folderPath);
  }
  std::vector<FolderItem> items;
  items.reserve(LikelyItemCount(fd));
  std::size_t told = 0;
  const auto tell = [&] {
    if (run && told < items.size()) run(std::span<const FolderItem>(items).subspan(told), told);
    told = items.size();
  };
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(folder.get());
    if (!entry) {
      if (errno != 0) throw Error::FromErrno(errno, folderPath);
      tell();
      return items;
    }
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    items.push_back({std::string(name), KindOf(fd, *entry), static_cast<std::uint64_t>(entry->d_ino)});
    if (items.size() - told == kItemsReadInARun) tell();
  }
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
  FileLineWriter(FileOpenedForAppend file, std::string path)
      : fd_(file.fd), created_(file.created), path_(std::move(path)) {}
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
    if (const int failure = Flush(); failure != 0) Abandon(failure);
  }

  void Close() override {
    if (fd_ < 0) return;
    const int failure = Flush();
    if (failure != 0) Abandon(failure);
    buffer_.clear();
    if (close(std::exchange(fd_, -1)) != 0 && errno != EINTR) throw Error::FromErrno(errno, path_);
  }

 private:
  static constexpr std::size_t kFlushSize = 1 << 16;

  int Flush() {
    const std::size_t before = buffer_.size();
    const int failure = WriteAll(fd_, buffer_);
    stored_ += before - buffer_.size();
    return failure;
  }

  // A file this writer made and nothing could be stored in is taken away again, so that a full
  // disk leaves no empty report; a file that already was, or got some lines, keeps them.
  [[noreturn]] void Abandon(int failure) {
    if (created_ && stored_ == 0 && StillNamesThisFile()) unlink(path_.c_str());
    close(std::exchange(fd_, -1));
    buffer_.clear();
    throw Error::FromErrno(failure, path_);
  }

  bool StillNamesThisFile() const {
    struct stat opened {};
    struct stat named {};
    return fstat(fd_, &opened) == 0 && lstat(path_.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
  }

  int fd_;
  bool created_;
  std::size_t stored_ = 0;
  std::string path_;
  std::string buffer_;
};

// Renames relative to a descriptor of the folder, so that the kernel walks the folder's path
// once for a whole batch instead of twice for every file.
class DescriptorFolder final : public OpenedFolder {
 public:
  DescriptorFolder(int fd, std::string path, const no_replace_rename::SystemCalls& calls)
      : fd_(fd), path_(std::move(path)), calls_(calls) {}
  DescriptorFolder(const DescriptorFolder&) = delete;
  DescriptorFolder& operator=(const DescriptorFolder&) = delete;
  ~DescriptorFolder() override { close(fd_); }

  void RenameFile(std::string_view oldName, std::string_view newName) override {
    if (!IsBareName(oldName) || !IsBareName(newName)) RaiseRenameError(EINVAL, path_, oldName, newName);
    const no_replace_rename::NamesInFolder names = NamesOf(oldName, newName);
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

  // "." opened anew through the held descriptor is the held folder, whatever its path now
  // means, and gives a reading position of its own to every call.
  std::vector<FolderItem> ReadItems() override { return ReadItemsInRuns(nullptr); }

  std::vector<FolderItem> ReadItemsInRuns(const ItemsRead& run) override {
    const int readable = openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (readable < 0) throw Error::FromErrno(errno, path_);
    return ReadItemsOf(readable, path_, run);
  }

  bool SameFile(std::string_view name, std::string_view otherName) override {
    if (!IsBareName(name) || !IsBareName(otherName)) return false;
    struct stat first {};
    struct stat second {};
    return LookUp(Terminated(oldName_, name), first) && LookUp(Terminated(newName_, otherName), second) &&
           IdentityOf(first) == IdentityOf(second);
  }

  void DropSecondName(std::string_view name, std::string_view keptName) override {
    if (!SameFile(name, keptName)) {
      throw Error(ErrorNumber::PathFileAccessError, "Path/File access error: " + JoinPath(path_, name) + " and " +
                                                        JoinPath(path_, keptName) + " are not one file");
    }
    if (calls_.unlinkat(fd_, Terminated(oldName_, name), 0) != 0) throw Error::FromErrno(errno, JoinPath(path_, name));
  }

  VolumeRules Rules(const std::vector<FolderItem>& items) override { return ReadVolumeRules(fd_, items); }

  bool Holds(std::string_view name) override {
    if (name.empty() || !IsBareName(name)) return false;
    return Exists(Terminated(lookedUp_, name));
  }

  FileIdentity Identity() override {
    if (const std::optional<FileIdentity> identity = IdentityWithBirth("", AT_EMPTY_PATH)) return *identity;
    throw Error::FromErrno(errno, path_);
  }

  std::optional<FileIdentity> Identify(std::string_view name) override {
    if (!IsBareName(name)) throw Error::FromErrno(EINVAL, JoinPath(path_, name));
    if (auto identity = IdentityWithBirth(Terminated(lookedUp_, name), AT_SYMLINK_NOFOLLOW)) return identity;
    if (errno == ENOENT) return std::nullopt;
    throw Error::FromErrno(errno, JoinPath(path_, name));
  }

  // The descriptor only names the folder; fsync needs one opened for reading.
  void Sync() override { SyncFolder(fd_, path_, calls_.fsync); }

  std::unique_ptr<FolderWatch> Watch() override { return WatchFolder(fd_); }

  bool KeepsIdentities() override { return tolvane::KeepsIdentities(fd_); }

  std::string VolumeName() override { return NameOfVolume(fd_); }

 private:
  // The item of a name in the folder, a link taken as itself: true with `info` filled when
  // the folder holds one, false with errno set when not.
  bool LookUp(const char* name, struct stat& info) const {
    return calls_.fstatat(fd_, name, &info, AT_SYMLINK_NOFOLLOW) == 0;
  }

  bool Exists(const char* name) const {
    struct stat info {};
    return LookUp(name, info);
  }

  // exFAT's and FAT's drivers answer a name they refuse with "not found", though the file
  // they were asked to rename is there: the message says so rather than "File not found".
  void RaiseIfNameRefused(const Error& error, const no_replace_rename::NamesInFolder& names) const {
    if (error.Number() != ErrorNumber::FileNotFound) return;
    if (!Exists(names.oldName) || Exists(names.newName)) return;
    throw Error(ErrorNumber::BadFileName, std::string(ClassicDescription(ErrorNumber::BadFileName)) +
                                              ": the volume of " + path_ + " refuses the name " + names.newName +
                                              " while renaming " + JoinPath(path_, names.oldName) + " to " +
                                              JoinPath(path_, names.newName));
  }

  // The item's identity with its birth time where the volume gives one, in one call; nothing,
  // with errno set, when there is no such item.
  std::optional<FileIdentity> IdentityWithBirth(const char* name, int flags) const {
    struct statx info {};
    if (statx(fd_, name, flags, STATX_INO | STATX_BTIME, &info) != 0) return std::nullopt;
    FileIdentity identity{makedev(info.stx_dev_major, info.stx_dev_minor), info.stx_ino, 0};
    if ((info.stx_mask & STATX_BTIME) != 0 && info.stx_btime.tv_sec >= 0) {
      identity.birth = static_cast<std::uint64_t>(info.stx_btime.tv_sec) * 1'000'000'000 + info.stx_btime.tv_nsec;
    }
    return identity;
  }

  static FileIdentity IdentityOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
  }

  static bool IsBareName(std::string_view name) { return HasNoSeparatorOrNul(name); }

  // The name as the kernel takes it, in a buffer kept from file to file, so that a million
  // renames allocate nothing.
  static const char* Terminated(std::string& buffer, std::string_view name) {
    buffer.assign(name);
    return buffer.c_str();
  }

  no_replace_rename::NamesInFolder NamesOf(std::string_view oldName, std::string_view newName) {
    return {fd_, path_, Terminated(oldName_, oldName), Terminated(newName_, newName), calls_};
  }

  int fd_;
  std::string path_;
  const no_replace_rename::SystemCalls& calls_;
  std::string oldName_;
  std::string newName_;
  std::string lookedUp_;
};

// Makes one folder of a path whose upper folders exist; one already there is left as it is.
void MakePrivateFolder(const std::string& folder) {
  constexpr mode_t kPrivate = S_IRWXU;
  struct stat info {};
  if (stat(folder.c_str(), &info) == 0) {
    if (!S_ISDIR(info.st_mode)) throw Error(ErrorNumber::PathNotFound, folder + " is a file, not a folder");
    return;
  }
  if (errno != ENOENT) throw Error::FromErrno(errno, folder);
  if (mkdir(folder.c_str(), kPrivate) != 0) {
    const int failure = errno;
    // Made meanwhile by someone else, such as a second Tolvane: as good as made here.
    if (failure == EEXIST && stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return;
    throw Error::FromErrno(failure, folder);
  }
  // The umask may have taken bits from the mode, leaving a folder the user cannot write to.
  if (chmod(folder.c_str(), kPrivate) != 0) throw Error::FromErrno(errno, folder);
}

// Where a folder cannot be flushed (a file system without fsync for folders) there is nothing
// more to make durable, so only true failures are raised.
void SyncFolder(int folder, const std::string& path, int (*fsyncCall)(int)) {
  const int fd = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw Error::FromErrno(errno, path);
  const int failure = fsyncCall(fd) == 0 ? 0 : errno;
  close(fd);
  if (failure != 0 && failure != EINVAL && failure != EROFS) throw Error::FromErrno(failure, path);
}

std::string ReadWhole(int fd, const std::string& path, std::uint64_t mostBytes) {
  struct stat info {};
  if (fstat(fd, &info) != 0) throw Error::FromErrno(errno, path);
  if (static_cast<std::uint64_t>(info.st_size) > mostBytes) {
    throw Error(ErrorNumber::PathFileAccessError,
                path + " holds " + std::to_string(info.st_size) + " bytes, more than the " +
                    std::to_string(mostBytes) + " it may");
  }
  std::string content;
  char chunk[1 << 16];
  for (off_t offset = 0;;) {
    const ssize_t count = pread(fd, chunk, sizeof chunk, offset);
    if (count < 0) {
      if (errno == EINTR) continue;
      throw Error::FromErrno(errno, path);
    }
    if (count == 0) return content;
    // Grown since it was measured: nothing a reader may trust whole.
    if (content.size() + static_cast<std::uint64_t>(count) > mostBytes) {
      throw Error(ErrorNumber::PathFileAccessError, path + " grew while it was read");
    }
    content.append(chunk, static_cast<std::size_t>(count));
    offset += count;
  }
}

std::string ReadFirst(int fd, const std::string& path, std::size_t bytes) {
  std::string content(bytes, '\0');
  std::size_t read = 0;
  while (read < bytes) {
    const ssize_t count = pread(fd, content.data() + read, bytes - read, static_cast<off_t>(read));
    if (count < 0) {
      if (errno == EINTR) continue;
      throw Error::FromErrno(errno, path);
    }
    if (count == 0) break;
    read += static_cast<std::size_t>(count);
  }
  content.resize(read);
  return content;
}

bool IsOwnedByUser(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 && info.st_uid == geteuid();
}

class DescriptorLockedFile final : public LockedFile {
 public:
  DescriptorLockedFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  DescriptorLockedFile(const DescriptorLockedFile&) = delete;
  DescriptorLockedFile& operator=(const DescriptorLockedFile&) = delete;
  ~DescriptorLockedFile() override { close(fd_); }

  std::string ReadAll(std::uint64_t mostBytes) override { return ReadWhole(fd_, path_, mostBytes); }
  std::string ReadStart(std::size_t bytes) override { return ReadFirst(fd_, path_, bytes); }

  bool OwnedByUser() override { return IsOwnedByUser(fd_); }

 private:
  int fd_;
  std::string path_;
};

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

  std::string ReadAll(std::uint64_t mostBytes) override { return ReadWhole(fd_, path_, mostBytes); }
  std::string ReadStart(std::size_t bytes) override { return ReadFirst(fd_, path_, bytes); }

  bool OwnedByUser() override { return IsOwnedByUser(fd_); }

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

namespace {

int Renameat2(int oldFolder, const char* oldName, int newFolder, const char* newName, unsigned int flags) {
  return renameat2(oldFolder, oldName, newFolder, newName, flags);
}

int Fstatat(int folder, const char* name, struct stat* info, int flags) { return fstatat(folder, name, info, flags); }

uid_t EffectiveUser() { return geteuid(); }

// In a folder with the sticky bit only the file's owner, the folder's owner or root may take a
// name away, so a link made there could not be undone: such a rename is refused beforehand.
// Root is taken to hold that right; if it does not, the undoing below still tells the truth.
bool StickyFolderKeepsTheOldName(const NamesInFolder& names) {
  struct stat folder {};
  struct stat file {};
  if (names.calls.fstatat(names.folder, ".", &folder, 0) != 0 || (folder.st_mode & S_ISVTX) == 0) return false;
  if (names.calls.fstatat(names.folder, names.oldName, &file, AT_SYMLINK_NOFOLLOW) != 0) return false;
  const uid_t user = names.calls.geteuid();
  return user != 0 && user != file.st_uid && user != folder.st_uid;
}

// The old name could not go and the new one, just made, could not go again either.
[[noreturn]] void RaiseLeftUnderBothNames(int failure, int cleanupFailure, const NamesInFolder& names) {
  const std::string oldPath = JoinPath(names.folderPath, names.oldName);
  const std::string newPath = JoinPath(names.folderPath, names.newName);
  const Error error = Error::FromErrno(failure, oldPath);
  throw Error(error.Number(),
              error.Description() + " while renaming " + oldPath + " to " + newPath + "; the file " + oldPath +
                  " now also has the name " + newPath + ", which could not be removed again (" +
                  std::strerror(cleanupFailure) + ")");
}

}  // namespace

const SystemCalls& KernelCalls() {
  static const SystemCalls calls{Renameat2, linkat, unlinkat, Fstatat, renameat, EffectiveUser, fsync, flock};
  return calls;
}

void Rename(const NamesInFolder& names) {
  if (names.calls.renameat2(names.folder, names.oldName, names.folder, names.newName, RENAME_NOREPLACE) == 0) return;
  const int failure = errno;
  if (failure == EINVAL || failure == ENOSYS || failure == EOPNOTSUPP) return ByLink(names);
  RaiseRenameError(failure, names);
}

void ByLink(const NamesInFolder& names) {
  if (StickyFolderKeepsTheOldName(names)) RaiseRenameError(EPERM, names);
  if (names.calls.linkat(names.folder, names.oldName, names.folder, names.newName, 0) != 0) {
    const int failure = errno;
    if (LinksUnavailable(failure)) return AfterCheck(names);
    RaiseRenameError(failure, names);
  }
  if (names.calls.unlinkat(names.folder, names.oldName, 0) != 0) {
    const int failure = errno;
    // Leave the file under its old name only, as before the call.
    if (names.calls.unlinkat(names.folder, names.newName, 0) != 0) RaiseLeftUnderBothNames(failure, errno, names);
    RaiseRenameError(failure, names);
  }
}

void AfterCheck(const NamesInFolder& names) {
  struct stat info {};
  if (names.calls.fstatat(names.folder, names.newName, &info, AT_SYMLINK_NOFOLLOW) == 0) RaiseRenameError(EEXIST, names);
  if (names.calls.renameat(names.folder, names.oldName, names.folder, names.newName) != 0) RaiseRenameError(errno, names);
}

}  // namespace no_replace_rename

std::vector<FolderItem> LinuxFileSystem::ReadFolder(const std::string& folderPath) {
  const int fd = open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw Error::FromErrno(errno, folderPath);
  return ReadItemsOf(fd, folderPath);
}

std::unique_ptr<OpenedFolder> LinuxFileSystem::OpenFolder(const std::string& folderPath) {
  // Opened for reading, so that the commit's check reads the folder it renames in. Renaming
  // needs no right to read the folder, so one that may not be read is held by O_PATH: renames
  // in it still work, and reading it fails with the system's own reason.
  int fd = open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 && errno == EACCES) fd = open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw Error::FromErrno(errno, folderPath);
  return std::make_unique<DescriptorFolder>(fd, folderPath, calls_);
}

std::unique_ptr<LineWriter> LinuxFileSystem::OpenForAppend(const std::string& path) {
  return std::make_unique<FileLineWriter>(OpenPlainFileForAppend(path), path);
}

bool LinuxFileSystem::IsWritableFolder(const std::string& folderPath) {
  struct stat info {};
  if (stat(folderPath.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  // A new file in a folder takes the right to write to it and to pass through it; the
  // effective user is the one that will write.
  return faccessat(AT_FDCWD, folderPath.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

void LinuxFileSystem::CreatePrivateFolder(const std::string& folderPath) {
  if (folderPath.empty()) throw Error::FromErrno(ENOENT, folderPath);
  // From the top down, each folder on the way; the root and repeated "/" need no making.
  for (std::size_t slash = folderPath.find('/', 1);; slash = folderPath.find('/', slash + 1)) {
    const std::string folder = folderPath.substr(0, slash);
    if (!folder.ends_with('/')) MakePrivateFolder(folder);
    if (slash == std::string::npos) return;
  }
}

void LinuxFileSystem::KeepPrivate(const std::string& folderPath) {
  // Held open, so that what is checked and what is changed are one folder.
  const int fd = open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) throw Error::FromErrno(errno, folderPath);
  struct stat info {};
  int failure = fstat(fd, &info) == 0 ? 0 : errno;
  if (failure == 0 && info.st_uid != geteuid()) failure = EPERM;
  if (failure == 0 && (info.st_mode & (S_IRWXG | S_IRWXO)) != 0 && fchmod(fd, S_IRWXU) != 0) failure = errno;
  close(fd);
  if (failure == EPERM && info.st_uid != geteuid()) {
    throw Error(ErrorNumber::PermissionDenied,
                "Permission denied: " + folderPath + " belongs to another user, so it is no place for your files");
  }
  if (failure != 0) throw Error::FromErrno(failure, folderPath);
}

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
  if (calls_.flock(fd, LOCK_EX | LOCK_NB) != 0) {
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
