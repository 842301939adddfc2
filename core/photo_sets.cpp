#include "core/photo_sets.h"

#include <array>
#include <cstdint>
#include <unordered_map>

#include "core/case_fold.h"
#include "core/name_composer.h"
#include "core/name_table.h"
#include "platform/file_enumeration.h"

namespace tolvane {

namespace {

constexpr std::uint32_t kNone = static_cast<std::uint32_t>(-1);

struct KnownExtension {
  std::string_view extension;  // in small letters
  SetRole role;
};

constexpr std::array kKnownExtensions{
    KnownExtension{"cr2", SetRole::Raw},    KnownExtension{"cr3", SetRole::Raw},    KnownExtension{"nef", SetRole::Raw},
    KnownExtension{"nrw", SetRole::Raw},    KnownExtension{"arw", SetRole::Raw},    KnownExtension{"sr2", SetRole::Raw},
    KnownExtension{"dng", SetRole::Raw},    KnownExtension{"orf", SetRole::Raw},    KnownExtension{"rw2", SetRole::Raw},
    KnownExtension{"raf", SetRole::Raw},    KnownExtension{"pef", SetRole::Raw},    KnownExtension{"srw", SetRole::Raw},
    KnownExtension{"x3f", SetRole::Raw},    KnownExtension{"3fr", SetRole::Raw},    KnownExtension{"iiq", SetRole::Raw},
    KnownExtension{"erf", SetRole::Raw},    KnownExtension{"mrw", SetRole::Raw},    KnownExtension{"kdc", SetRole::Raw},
    KnownExtension{"dcr", SetRole::Raw},    KnownExtension{"jpg", SetRole::Photo},  KnownExtension{"jpeg", SetRole::Photo},
    KnownExtension{"jpe", SetRole::Photo},  KnownExtension{"heic", SetRole::Photo}, KnownExtension{"heif", SetRole::Photo},
    KnownExtension{"tif", SetRole::Photo},  KnownExtension{"tiff", SetRole::Photo}, KnownExtension{"png", SetRole::Photo},
    KnownExtension{"webp", SetRole::Photo}, KnownExtension{"mov", SetRole::Video},  KnownExtension{"mp4", SetRole::Video},
    KnownExtension{"xmp", SetRole::Sidecar}, KnownExtension{"pp3", SetRole::Sidecar}, KnownExtension{"dop", SetRole::Sidecar},
    KnownExtension{"aae", SetRole::Sidecar}, KnownExtension{"thm", SetRole::Sidecar},
};

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool IsMedia(SetRole role) { return role == SetRole::Raw || role == SetRole::Photo || role == SetRole::Video; }

// The name less its last extension and the dot before it.
std::string_view WithoutExtension(std::string_view name) {
  const auto extension = GetExtension(name);
  return extension ? name.substr(0, name.size() - extension->size() - 1) : name;
}

// The files of a folder, in list order, gathered into sets. A set is known by its first
// file; its members are chained in the order they joined.
class SetGrouping {
 public:
  SetGrouping(std::vector<std::string>& names, const VolumeRules& rules)
      : names_(names),
        rules_(rules),
        roles_(names.size()),
        setByStem_(names.size(), StemOfSet{this}),
        setOf_(names.size(), kNone),
        next_(names.size(), kNone),
        last_(names.size(), kNone),
        endingBytes_(names.size(), 0),
        sidecarWithPhoto_(names.size(), false) {
    for (std::size_t file = 0; file < names.size(); ++file) {
      roles_[file] = RoleOf(names[file]);
      if (IsMedia(roles_[file])) JoinMedia(Index(file));
    }
    // Sidecars join once every photo has, so that one found before its photo finds it.
    for (std::size_t file = 0; file < names.size(); ++file) {
      if (roles_[file] == SetRole::Sidecar) JoinSidecar(Index(file));
    }
  }

  void AddEntries(RenameList& list) {
    for (std::uint32_t file = 0; file < names_.size(); ++file) {
      const std::uint32_t set = setOf_[file];
      if (set == kNone || next_[set] == kNone) {
        RenameEntry& entry = list.Add(std::move(names_[file]));
        entry.LoneSidecar = roles_[file] == SetRole::Sidecar && !sidecarWithPhoto_[file];
      } else if (file == MainOf(set)) {
        list.Add(EntryOf(set, file));
      }
    }
  }

 private:
  static std::uint32_t Index(std::size_t file) { return static_cast<std::uint32_t>(file); }

  std::string_view Ending(std::uint32_t file) const {
    return std::string_view(names_[file]).substr(names_[file].size() - endingBytes_[file]);
  }

  // The form a stem is looked up by: as it is, or folded where the volume folds case.
  std::string_view LookupForm(std::string_view stem, std::string& folded) const {
    if (!rules_.foldsCase) return stem;
    folded = FoldCase(stem, rules_.caseTable);
    return folded;
  }

  std::uint32_t FindSet(std::string_view stem) const {
    std::string folded;
    return setByStem_.Find(LookupForm(stem, folded)).value_or(kNone);
  }

  // Whether the set has a member of the ending, letter case ignored.
  bool HasEnding(std::uint32_t set, std::string_view ending) const {
    for (std::uint32_t member = set; member != kNone; member = next_[member]) {
      if (EqualIgnoringAsciiCase(Ending(member), ending)) return true;
    }
    return false;
  }

  // Whether the set has a photo or video of the ending as the volume compares names.
  bool HasMediaEnding(std::uint32_t set, std::string_view ending) const {
    for (std::uint32_t member = set; member != kNone; member = next_[member]) {
      if (!IsMedia(roles_[member])) continue;
      if (rules_.foldsCase ? EqualIgnoringAsciiCase(Ending(member), ending) : Ending(member) == ending) return true;
    }
    return false;
  }

  // A second file of an ending the set holds stays apart.
  bool Join(std::uint32_t set, std::uint32_t file, std::size_t endingBytes) {
    endingBytes_[file] = static_cast<std::uint32_t>(endingBytes);
    if (HasEnding(set, Ending(file))) return false;
    next_[last_[set]] = file;
    last_[set] = file;
    setOf_[file] = set;
    return true;
  }

  void JoinMedia(std::uint32_t file) {
    const std::string_view name = names_[file];
    const std::string_view stem = WithoutExtension(name);
    if (const std::uint32_t set = FindSet(stem); set != kNone) {
      Join(set, file, name.size() - stem.size());
      return;
    }
    setOf_[file] = file;
    last_[file] = file;
    endingBytes_[file] = static_cast<std::uint32_t>(name.size() - stem.size());
    if (rules_.foldsCase) foldedStems_[file] = FoldCase(stem, rules_.caseTable);
    setByStem_.Add(StemOfSet{this}(file), file);
  }

  // A sidecar joins the set of the member whose whole name it extends, or else the set whose
  // stem it extends.
  void JoinSidecar(std::uint32_t file) {
    const std::string_view name = names_[file];
    const std::string_view extended = WithoutExtension(name);
    if (IsMedia(RoleOf(extended))) {
      const std::string_view stem = WithoutExtension(extended);
      const std::uint32_t set = FindSet(stem);
      if (set != kNone && HasMediaEnding(set, extended.substr(stem.size()))) {
        sidecarWithPhoto_[file] = true;
        Join(set, file, name.size() - stem.size());
        return;
      }
    }
    if (const std::uint32_t set = FindSet(extended); set != kNone) {
      sidecarWithPhoto_[file] = true;
      Join(set, file, name.size() - extended.size());
    }
  }

  std::uint32_t MainOf(std::uint32_t set) const {
    std::uint32_t main = kNone;
    for (std::uint32_t member = set; member != kNone; member = next_[member]) {
      if (roles_[member] == SetRole::Raw) return member;
      if (main == kNone || (roles_[main] == SetRole::Video && roles_[member] == SetRole::Photo)) {
        if (IsMedia(roles_[member])) main = member;
      }
    }
    return main;
  }

  RenameEntry EntryOf(std::uint32_t set, std::uint32_t main) {
    RenameEntry entry(std::move(names_[main]));
    for (std::uint32_t member = set; member != kNone; member = next_[member]) {
      if (member != main) entry.Members.Add(SetMember{std::move(names_[member]), {}, endingBytes_[member]});
    }
    return entry;
  }

  // A set is looked up by the stem of its first file, as the volume compares names.
  struct StemOfSet {
    const SetGrouping* grouping;
    std::string_view operator()(std::uint32_t set) const {
      if (grouping->rules_.foldsCase) return grouping->foldedStems_.at(set);
      const std::string_view name = grouping->names_[set];
      return name.substr(0, name.size() - grouping->endingBytes_[set]);
    }
  };

  std::vector<std::string>& names_;
  const VolumeRules& rules_;
  std::vector<SetRole> roles_;
  std::unordered_map<std::uint32_t, std::string> foldedStems_;  // by set, where the volume folds case
  NameTable<StemOfSet> setByStem_;
  std::vector<std::uint32_t> setOf_;      // by file: the first file of its set, or kNone
  std::vector<std::uint32_t> next_;       // by file: the next member of its set
  std::vector<std::uint32_t> last_;       // by a set's first file: its last member
  std::vector<std::uint32_t> endingBytes_;
  std::vector<bool> sidecarWithPhoto_;
};

}  // namespace

SetRole RoleOf(std::string_view fileName) {
  const auto extension = GetExtension(fileName);
  if (!extension) return SetRole::None;
  for (const KnownExtension& known : kKnownExtensions) {
    if (EqualIgnoringAsciiCase(*extension, known.extension)) return known.role;
  }
  return SetRole::None;
}

void LoadFolderSets(RenameList& list, const std::vector<FolderItem>& folderItems, const VolumeRules& rules) {
  list.Clear();
  const FileEnumeration enumeration(folderItems);
  std::vector<std::string> names;
  names.reserve(enumeration.Count());
  for (std::size_t i = 0; i < enumeration.Count(); ++i) names.push_back(enumeration.Name(i));
  SetGrouping(names, rules).AddEntries(list);
}

}  // namespace tolvane
