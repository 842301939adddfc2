#include "platform/mount_info.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>

#include <unistd.h>

namespace tolvane {

namespace {

bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

// The kernel writes space, tab, newline and backslash in mount points as "\ooo".
std::string UndoOctalEscapes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && IsOctalDigit(text[i + 1]) && IsOctalDigit(text[i + 2]) &&
        IsOctalDigit(text[i + 3])) {
      out.push_back(static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (start < line.size()) {
    const std::size_t end = std::min(line.find(' ', start), line.size());
    if (end > start) fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

// Fields: id, parent, major:minor, root, mount point, options, optional fields..., "-", type, source, ...
std::optional<Mount> ParseMountLine(std::string_view line) {
  const std::vector<std::string_view> fields = SplitFields(line);
  const auto separator = std::find(fields.begin(), fields.end(), "-");
  if (fields.size() < 5 || separator == fields.end() || fields.end() - separator < 3) return std::nullopt;
  const std::string_view superOptions = fields.end() - separator > 3 ? *(separator + 3) : std::string_view();
  return Mount{UndoOctalEscapes(fields[4]), UndoOctalEscapes(*(separator + 1)), UndoOctalEscapes(*(separator + 2)),
               std::string(fields[2]), std::string(superOptions)};
}

}  // namespace

std::vector<Mount> ParseMountInfo(std::string_view mountInfo) {
  std::vector<Mount> mounts;
  std::size_t start = 0;
  while (start < mountInfo.size()) {
    const std::size_t end = std::min(mountInfo.find('\n', start), mountInfo.size());
    if (auto mount = ParseMountLine(mountInfo.substr(start, end - start))) mounts.push_back(std::move(*mount));
    start = end + 1;
  }
  return mounts;
}

std::vector<Mount> ReadMountInfo() {
  std::ifstream in("/proc/self/mountinfo", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return ParseMountInfo(text.str());
}

bool IsFuseMountOf(const Mount& mount, unsigned userId) {
  const std::string_view type = mount.fileSystemType;
  if (type != "fuse" && type != "fuseblk" && !type.starts_with("fuse.") && !type.starts_with("fuseblk.")) return false;
  const std::string owner = "user_id=" + std::to_string(userId);
  for (std::string_view options = mount.superOptions; !options.empty();) {
    const std::size_t comma = std::min(options.find(','), options.size());
    if (options.substr(0, comma) == owner) return true;
    options.remove_prefix(std::min(comma + 1, options.size()));
  }
  return false;
}

unsigned CurrentUserId() { return getuid(); }

}  // namespace tolvane
