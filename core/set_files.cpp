#include "core/set_files.h"

#include <algorithm>

#include "core/list_order.h"
#include "platform/error.h"

namespace tolvane {

bool HoldsSets(const RenameList& list) {
  for (RenameList::Position position = 1; position <= list.Count(); ++position) {
    if (!list.Item(position).Members.empty()) return true;
  }
  return false;
}

RenameList FilesOf(const RenameList& list) {
  RenameList files;
  for (RenameList::Position position = 1; position <= list.Count(); ++position) {
    const RenameEntry& entry = list.Item(position);
    RenameEntry& main = files.Add(entry.Text);
    main.Tag = entry.Tag;
    for (const SetMember& member : entry.Members) files.Add(member.Text).Tag = member.Tag;
  }
  return files;
}

std::vector<std::string_view> EveryFileNameOf(const RenameList& list, bool previewShown) {
  std::vector<std::string_view> names;
  names.reserve(list.Count());
  for (RenameList::Position position = 1; position <= list.Count(); ++position) {
    const RenameEntry& entry = list.Item(position);
    names.push_back(FileNameOf(entry, previewShown));
    for (const SetMember& member : entry.Members) {
      names.push_back(previewShown && !member.Tag.empty() ? member.Tag : member.Text);
    }
  }
  return names;
}

namespace {

// One date per entry, made by `date` out of the dates of the entry's files, which stand in
// `fileDates` in the order of FilesOf.
template <typename Date, typename DateOfFiles>
std::vector<Date> PerEntry(const RenameList& list, const std::vector<Date>& fileDates, DateOfFiles date) {
  std::vector<Date> dates;
  dates.reserve(list.Count());
  std::size_t file = 0;
  for (RenameList::Position position = 1; position <= list.Count(); ++position) {
    const std::size_t files = 1 + list.Item(position).Members.size();
    if (file + files > fileDates.size()) {
      throw Error(ErrorNumber::SubscriptOutOfRange,
                  "Subscript out of range: " + std::to_string(fileDates.size()) + " dates for more files");
    }
    const auto first = fileDates.begin() + static_cast<std::ptrdiff_t>(file);
    dates.push_back(date(first, first + static_cast<std::ptrdiff_t>(files)));
    file += files;
  }
  return dates;
}

}  // namespace

std::vector<FileDate> DatesOfEntries(const RenameList& list, const std::vector<FileDate>& fileDates) {
  return PerEntry(list, fileDates, [](auto first, auto end) {
    const auto dated = std::find_if(first, end, [](const FileDate& date) { return date.has_value(); });
    return dated == end ? FileDate{} : *dated;
  });
}

std::vector<NameDates> NameDatesOfEntries(const RenameList& list, const std::vector<NameDates>& fileDates) {
  return PerEntry(list, fileDates, [](auto first, auto end) {
    NameDates dates = *first;
    const auto dated = std::find_if(first, end, [](const NameDates& file) { return file.taken.has_value(); });
    if (dated != end) dates.taken = dated->taken;
    return dates;
  });
}

std::optional<std::vector<FileDate>> ReadEntryDates(FileDates& dates, const std::string& folder, const RenameList& list,
                                                    const std::vector<std::string_view>& names, DateKind kind,
                                                    DateReading& reading) {
  if (!HoldsSets(list)) return dates.Read(folder, names, kind, reading);
  const auto fileDates = dates.Read(folder, names, kind == DateKind::Taken ? DateKind::TakenOnly : kind, reading);
  if (!fileDates) return std::nullopt;
  std::vector<FileDate> entryDates = DatesOfEntries(list, *fileDates);
  if (kind != DateKind::Taken) return entryDates;
  // The sets of which no file says when it was taken go by their main file's modification time.
  std::vector<std::size_t> undated;
  std::vector<std::string_view> mainNames;
  for (std::size_t entry = 0, file = 0; entry < entryDates.size(); ++entry) {
    if (!entryDates[entry]) {
      undated.push_back(entry);
      mainNames.push_back(names[file]);
    }
    file += 1 + list.Item(entry + 1).Members.size();
  }
  DateReading modifiedReading;
  const auto modified = dates.Read(folder, mainNames, DateKind::Modified, modifiedReading);
  for (std::size_t i = 0; modified && i < undated.size(); ++i) entryDates[undated[i]] = (*modified)[i];
  return entryDates;
}

}  // namespace tolvane
