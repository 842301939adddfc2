#include "platform/runtime_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tolvane {

namespace {

constexpr mode_t kPrivate = S_IRWXU;
constexpr const char* kVariable = "XDG_RUNTIME_DIR";

// Owned by the user, whom alone it lets in. A link is taken only as the folder it leads to,
// and the place a stranger could have put a link is checked without following it.
bool IsPrivateFolder(const std::string& path, bool followLink) {
  struct stat info {};
  const int found = followLink ? stat(path.c_str(), &info) : lstat(path.c_str(), &info);
  return found == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 07777) == kPrivate;
}

// The folder of the foreseeable name, made when missing.
std::optional<std::string> OwnRuntimeFolder(const std::string& temporary) {
  const std::string path = temporary + "/tolvane-runtime-" + std::to_string(geteuid());
  // The umask may have taken bits from the mode, leaving a folder the user cannot use.
  if (mkdir(path.c_str(), kPrivate) == 0) chmod(path.c_str(), kPrivate);
  if (IsPrivateFolder(path, false)) return path;
  return std::nullopt;
}

std::optional<std::string> FreshRuntimeFolder(const std::string& temporary) {
  std::string pattern = temporary + "/tolvane-runtime-XXXXXX";
  // mkdtemp makes the folder mode 0700, under a name it has chosen.
  if (!mkdtemp(pattern.data())) return std::nullopt;
  return pattern;
}

std::string TemporaryFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  return tmpdir && tmpdir[0] == '/' ? tmpdir : "/tmp";
}

}  // namespace

std::optional<std::string> UsableRuntimeFolder(const std::optional<std::string>& current,
                                               const std::string& temporary) {
  if (current && current->starts_with('/') && IsPrivateFolder(*current, true)) return current;
  if (auto own = OwnRuntimeFolder(temporary)) return own;
  return FreshRuntimeFolder(temporary);
}

void ProvideRuntimeFolder() {
  std::optional<std::string> current;
  if (const char* value = std::getenv(kVariable)) current = value;
  const std::optional<std::string> usable = UsableRuntimeFolder(current, TemporaryFolder());
  if (usable && usable != current) setenv(kVariable, usable->c_str(), 1);
}

}  // namespace tolvane
