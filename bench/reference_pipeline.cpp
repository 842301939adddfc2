#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "bench/pipelines.h"
#include "platform/error.h"
#include "platform/natural_order.h"
#include "platform/path.h"

namespace tolvane::bench {

namespace {

struct FolderCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

bool IsListedFile(int folder, const dirent& entry) {
  if (entry.d_name[0] == '.') return false;
  if (entry.d_type == DT_REG) return true;
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return false;
  struct stat info {};
  return fstatat(folder, entry.d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

std::vector<std::string> ListSortedFiles(DIR* folder) {
  std::vector<std::string> names;
  const int fd = dirfd(folder);
  while (const dirent* entry = readdir(folder)) {
    if (IsListedFile(fd, *entry)) names.emplace_back(entry->d_name);
  }
  // The fastest natural sort at hand, so that the list comes out in the same order as fast as it can.
  const NaturalOrder order(names.size(), [&names](std::size_t i) -> std::string_view { return names[i]; });
  std::vector<std::string> sorted;
  sorted.reserve(names.size());
  for (std::size_t i = 0; i < order.size(); ++i) sorted.push_back(std::move(names[order[i]]));
  return sorted;
}

std::vector<std::string> ComposeNames(const std::vector<std::string>& names) {
  std::vector<std::string> newNames;
  newNames.reserve(names.size());
  char name[512];
  int number = 1;
  for (const std::string& old : names) {
    const std::size_t dot = old.rfind('.');
    const std::string_view extension = dot == std::string::npos ? std::string_view{} : std::string_view(old).substr(dot + 1);
    const int length = std::snprintf(name, sizeof name, kReferenceFormat, number++, static_cast<int>(extension.size()), extension.data());
    newNames.emplace_back(name, static_cast<std::size_t>(length));
  }
  return newNames;
}

void RenameAll(int folder, const std::vector<std::string>& names, const std::vector<std::string>& newNames) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (renameat2(folder, names[i].c_str(), folder, newNames[i].c_str(), RENAME_NOREPLACE) != 0) {
      throw Error::FromErrno(errno, names[i]);
    }
  }
}

std::string Stamp(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  return {text, std::strftime(text, sizeof text, format, &local)};
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

void Put(std::FILE* file, std::string_view text) { std::fwrite(text.data(), 1, text.size(), file); }

// The report through one stdio buffer of 64 KiB, which a page of memory or two holds.
void WriteReport(const std::string& path, const std::vector<std::string>& names, const std::vector<std::string>& newNames) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "ab"));
  if (!file) throw Error::FromErrno(errno, path);
  static char buffer[1 << 16];
  std::setvbuf(file.get(), buffer, _IOFBF, sizeof buffer);
  Put(file.get(), "Tolvane Report Date & Time : " + Stamp("%d-%b-%Y %H:%M:%S") + "\r\nOld File Name -> New File Name \r\n");
  for (std::size_t i = 0; i < names.size(); ++i) {
    Put(file.get(), names[i]);
    Put(file.get(), " -> ");
    Put(file.get(), newNames[i]);
    Put(file.get(), "\r\n");
  }
  Put(file.get(), "Process Completed, Thank you\r\n");
  const bool failed = std::ferror(file.get()) != 0;
  if (std::fclose(file.release()) != 0 || failed) throw Error::FromErrno(errno, path);
}

}  // namespace

PipelineMeasure RunReference(const RunFolders& folders) {
  const Moment start = Moment::Now();
  const std::unique_ptr<DIR, FolderCloser> folder(opendir(folders.folder.c_str()));
  if (!folder) throw Error::FromErrno(errno, folders.folder);
  const std::vector<std::string> names = ListSortedFiles(folder.get());
  const Moment loaded = Moment::Now();
  const std::vector<std::string> newNames = ComposeNames(names);
  const Moment composed = Moment::Now();
  RenameAll(dirfd(folder.get()), names, newNames);
  const Moment renamed = Moment::Now();
  WriteReport(JoinPath(folders.executableFolder, "log/Report_" + Stamp("%d%m%Y%H%M%S") + ".txt"), names, newNames);
  const Moment end = Moment::Now();

  PipelineMeasure measure;
  measure[Phase::Load] = Between(start, loaded);
  measure[Phase::Simulate] = Between(loaded, composed);
  measure[Phase::Rename] = Between(composed, renamed);
  measure[Phase::Report] = Between(renamed, end);
  measure.whole = Between(start, end);
  measure.reportFile = measure[Phase::Report];
  measure.entries = names.size();
  for (std::size_t i = 0; i < names.size(); ++i) measure.nameBytes += names[i].size() + newNames[i].size();
  return measure;
}

}  // namespace tolvane::bench
