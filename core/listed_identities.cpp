#include "core/listed_identities.h"

#include <algorithm>

#include "platform/idle_priority.h"

namespace tolvane {

namespace {

// Items a taker asks in one go: enough that taking them costs nothing beside the asking, and
// few enough that the thread, which runs only when the machine is idle, soon ends its run
// when a busy machine leaves it little time (the commit waits for it, or a new load stops it).
constexpr std::size_t kItemsTakenAtOnce = 16;

}  // namespace

ListedIdentities::ListedIdentities(const std::vector<FolderItem>& items) {
  files_.reserve(items.size());
  for (const FolderItem& item : items) files_.push_back({item.inode, kBirthUnknown});
}

void ListedIdentities::AskBirths(std::shared_ptr<const std::vector<FolderItem>> items,
                                 std::unique_ptr<OpenedFolder> folder) {
  StopAsking();
  items_ = std::move(items);
  folder_ = std::move(folder);
  nextItem_ = 0;
  asking_ = std::jthread([this](const std::stop_token& stop) {
    // Asked ahead of need: the load, the preview's check and the window go first, and a commit
    // that comes before the thread is done asks the rest itself.
    RunOnlyWhenIdle();
    Ask(*folder_, stop);
  });
}

void ListedIdentities::StopAsking() {
  if (asking_.joinable()) {
    asking_.request_stop();
    asking_.join();
  }
  items_.reset();
}

void ListedIdentities::FinishBirths(OpenedFolder& folder) {
  if (!asking_.joinable()) return;
  Ask(folder, std::stop_token());
  asking_.join();
  items_.reset();
}

void ListedIdentities::Ask(OpenedFolder& folder, const std::stop_token& stop) {
  const std::size_t count = items_->size();
  while (!stop.stop_requested()) {
    const std::size_t first = nextItem_.fetch_add(kItemsTakenAtOnce);
    if (first >= count) return;
    const std::size_t end = std::min(count, first + kItemsTakenAtOnce);
    for (std::size_t item = first; item < end; ++item) AskOne(item, folder);
  }
}

void ListedIdentities::AskOne(std::size_t item, OpenedFolder& folder) {
  const FolderItem& listed = (*items_)[item];
  // Only files are renamed, and a list shows no hidden one.
  if (listed.kind != FolderItemKind::File || listed.IsHidden()) return;
  try {
    const std::optional<FileIdentity> file = folder.Identify(listed.name);
    // A name that holds another file since the read tells nothing of the listed one.
    if (file && file->inode == files_[item].inode) files_[item].birth = file->birth;
  } catch (const Error&) {
    // Left unknown: the commit asks again, and raises there if it must.
  }
}

}  // namespace tolvane
