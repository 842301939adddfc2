#include "core/listed_identities.h"

#include <algorithm>

#include "platform/idle_priority.h"

namespace tolvane {

namespace {

// Only files are renamed, and a list shows no hidden one.
bool BirthWanted(const FolderItem& item) { return item.kind == FolderItemKind::File && !item.IsHidden(); }

std::vector<ListedIdentities::ListedFile> UnbornFilesOf(const std::vector<FolderItem>& items) {
  std::vector<ListedIdentities::ListedFile> files;
  files.reserve(items.size());
  for (const FolderItem& item : items) files.push_back({item.inode, ListedIdentities::kBirthUnknown});
  return files;
}

// A name that holds another file since the read tells nothing of the listed one.
void AskBirth(OpenedFolder& folder, std::string_view name, ListedIdentities::ListedFile& listed) {
  try {
    const std::optional<FileIdentity> file = folder.Identify(name);
    if (file && file->inode == listed.inode) listed.birth = file->birth;
  } catch (const Error&) {
    // Left unknown: the commit asks again, and raises there if it must.
  }
}

}  // namespace

ListedIdentities::ListedIdentities(const std::vector<FolderItem>& items) : files_(UnbornFilesOf(items)) {}

ListedIdentities::ListedIdentities(std::unique_ptr<OpenedFolder> folder)
    : readEnded_(false), folder_(std::move(folder)) {
  asking_ = std::jthread([this](const std::stop_token& stop) {
    // Asked ahead of need: the load, the preview's check and the window go first, and a commit
    // that comes before the thread is done asks the rest itself.
    RunOnlyWhenIdle();
    Ask(*folder_, stop);
  });
}

void ListedIdentities::Told(std::span<const FolderItem> run) {
  for (const FolderItem& item : run) Add(item);
}

void ListedIdentities::ReadEnded(std::shared_ptr<const std::vector<FolderItem>> items) {
  if (told_ > runStart_) EndRun();
  std::vector<ListedFile> files = UnbornFilesOf(*items);
  {
    const std::lock_guard lock(mutex_);
    files_ = std::move(files);
    items_ = std::move(items);
    readEnded_ = true;
  }
  toldMore_.notify_all();
}

void ListedIdentities::Add(const FolderItem& item) {
  if (told_ == runStart_) {
    const std::lock_guard lock(mutex_);
    if (namedRuns_.size() - namedTaken_ < kMostNamedRunsWaiting) {
      filling_ = std::make_unique<NamedRun>();
      filling_->first = told_;
    }
  }
  if (filling_) {
    filling_->files.push_back({item.inode, kBirthUnknown});
    if (BirthWanted(item)) {
      filling_->nameStarts.push_back(static_cast<std::uint32_t>(filling_->names.size()));
      filling_->names.append(item.name).push_back('\0');
    } else {
      filling_->nameStarts.push_back(kNotAsked);
    }
  }
  if (++told_ - runStart_ == kRunItems) EndRun();
}

void ListedIdentities::EndRun() {
  {
    const std::lock_guard lock(mutex_);
    if (filling_) {
      namedRuns_.push_back(std::move(*filling_));
    } else {
      unnamedRuns_.push_back(runStart_);
    }
  }
  filling_.reset();
  runStart_ = told_;
  toldMore_.notify_one();
}

void ListedIdentities::StopAsking() {
  if (asking_.joinable()) {
    asking_.request_stop();
    asking_.join();
    GatherNamedRuns();
  }
  items_.reset();
}

void ListedIdentities::FinishBirths(OpenedFolder& folder) {
  if (!asking_.joinable()) return;
  Ask(folder, std::stop_token());
  asking_.join();
  GatherNamedRuns();
  items_.reset();
}

void ListedIdentities::Ask(OpenedFolder& folder, const std::stop_token& stop) {
  while (const std::optional<TakenRun> run = TakeRun(stop)) {
    if (run->named) {
      AskNamed(*run->named, folder);
    } else {
      AskListed(run->first, folder);
    }
  }
}

std::optional<ListedIdentities::TakenRun> ListedIdentities::TakeRun(const std::stop_token& stop) {
  std::unique_lock lock(mutex_);
  const auto canTake = [this] { return namedTaken_ < namedRuns_.size() || readEnded_; };
  if (!toldMore_.wait(lock, stop, canTake)) return std::nullopt;
  if (namedTaken_ < namedRuns_.size()) return TakenRun{&namedRuns_[namedTaken_++], 0};
  if (unnamedRuns_.empty()) return std::nullopt;
  const std::size_t first = unnamedRuns_.front();
  unnamedRuns_.pop_front();
  return TakenRun{nullptr, first};
}

void ListedIdentities::AskNamed(NamedRun& run, OpenedFolder& folder) {
  for (std::size_t item = 0; item < run.files.size(); ++item) {
    if (run.nameStarts[item] != kNotAsked) AskBirth(folder, run.names.c_str() + run.nameStarts[item], run.files[item]);
  }
  run.names = std::string();
  run.nameStarts = std::vector<std::uint32_t>();
}

void ListedIdentities::AskListed(std::size_t first, OpenedFolder& folder) {
  const std::size_t end = std::min(first + kRunItems, files_.size());
  for (std::size_t item = first; item < end; ++item) {
    const FolderItem& listed = (*items_)[item];
    if (BirthWanted(listed)) AskBirth(folder, listed.name, files_[item]);
  }
}

void ListedIdentities::GatherNamedRuns() {
  // A read cut short leaves no identities to gather them into.
  if (readEnded_) {
    for (const NamedRun& run : namedRuns_) {
      for (std::size_t item = 0; item < run.files.size(); ++item) {
        if (run.files[item].birth != kBirthUnknown) files_[run.first + item].birth = run.files[item].birth;
      }
    }
  }
  namedRuns_.clear();
  namedTaken_ = 0;
}

}  // namespace tolvane
