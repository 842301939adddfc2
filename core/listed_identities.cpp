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
  if (told_ == runStart_) BeginRun();
  if (filling_) {
    CopiedItems& copied = filling_->copied;
    filling_->births.push_back(kBirthUnknown);
    copied.inodes.push_back(item.inode);
    if (BirthWanted(item)) {
      copied.nameStarts.push_back(static_cast<std::uint32_t>(copied.names.size()));
      copied.names.append(item.name).push_back('\0');
    } else {
      copied.nameStarts.push_back(kNotAsked);
    }
  }
  if (++told_ - runStart_ == kRunItems) EndRun();
}

void ListedIdentities::BeginRun() {
  const std::lock_guard lock(mutex_);
  if (namedRuns_.size() - namedTaken_ >= kMostNamedRunsWaiting) return;
  filling_.emplace(told_);
  if (spareCopies_.empty()) return;
  filling_->copied = std::move(spareCopies_.back());
  spareCopies_.pop_back();
  filling_->copied.inodes.clear();
  filling_->copied.names.clear();
  filling_->copied.nameStarts.clear();
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
  const CopiedItems& copied = run.copied;
  for (std::size_t item = 0; item < run.births.size(); ++item) {
    if (copied.nameStarts[item] == kNotAsked) continue;
    ListedFile file{copied.inodes[item], kBirthUnknown};
    AskBirth(folder, copied.names.c_str() + copied.nameStarts[item], file);
    run.births[item] = file.birth;
  }
  const std::lock_guard lock(mutex_);
  spareCopies_.push_back(std::move(run.copied));
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
      for (std::size_t item = 0; item < run.births.size(); ++item) {
        if (run.births[item] != kBirthUnknown) files_[run.first + item].birth = run.births[item];
      }
    }
  }
  namedRuns_.clear();
  namedTaken_ = 0;
  spareCopies_.clear();
}

}  // namespace tolvane
