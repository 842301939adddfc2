#include "platform/linux_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "platform/path.h"

namespace tolvane {

namespace {

constexpr std::string_view kKeepSets = "keep-sets=";

std::string ConfigurationFolder() {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome != nullptr && configHome[0] == '/') return JoinPath(configHome, "tolvane");
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return JoinPath(JoinPath(home, ".config"), "tolvane");
  return {};
}

// Makes the folder and the folders above it that are missing.
void MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) throw Error::FromErrno(errno, part);
    if (slash == std::string::npos) return;
  }
}

// The file is written beside its name and renamed over it once stored, so that a crash
// leaves the old choice or the new one, never half of one.
void WriteWhole(const std::string& path, const std::string& text) {
  const std::string partial = path + ".part";
  const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) throw Error::FromErrno(errno, partial);
  const bool stored = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && ::fsync(fd) == 0;
  const int storeErrno = errno;
  ::close(fd);
  if (!stored || ::rename(partial.c_str(), path.c_str()) != 0) {
    const int failure = stored ? errno : storeErrno;
    ::unlink(partial.c_str());
    throw Error::FromErrno(failure, path);
  }
}

}  // namespace

LinuxSettings::LinuxSettings() : folder_(ConfigurationFolder()) {}

bool LinuxSettings::KeepSets() {
  if (folder_.empty()) return false;
  std::ifstream file(JoinPath(folder_, "settings"));
  for (std::string line; std::getline(file, line);) {
    if (line.starts_with(kKeepSets)) return line.substr(kKeepSets.size()) == "true";
  }
  return false;
}

void LinuxSettings::SetKeepSets(bool keep) {
  if (folder_.empty()) throw Error(ErrorNumber::PathNotFound, "Path not found: no configuration folder (HOME is not set)");
  MakeFolders(folder_);
  WriteWhole(JoinPath(folder_, "settings"), std::string(kKeepSets) + (keep ? "true" : "false") + "\n");
}

}  // namespace tolvane
