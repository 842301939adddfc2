#pragma once

#include <QListWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/folder_listing.h"
#include "platform/platform.h"

namespace tolvane {

// Dir1: the folders along the current path, from the drive's top down, then the subfolders
// of the current one. Its value is the current folder's path. A double click or Enter on a
// row asks for that folder to be opened; a single click only highlights it.
class FolderList final : public QListWidget {
  Q_OBJECT

 public:
  // The top folder of the drive that holds a path.
  using TopOf = std::function<std::string(const std::string& path)>;

  // Starts on `startFolder` without reading it: Show() or SetPath() fills the rows.
  FolderList(FileSystem& files, TopOf topOf, std::string startFolder, QWidget* parent);

  const std::string& Path() const { return path_; }
  // While PathChanged is raised: what the read of the new folder gave, with the watch begun
  // before it, so that a handler need not read a folder of a million files again. Each read is
  // handed out once.
  std::unique_ptr<FolderListing> TakeListing() { return std::move(listing_); }
  // Reads the folder and shows it; raises tolvane::Error with the system's reason when it
  // cannot be read, and then changes nothing. A new path raises PathChanged.
  void SetPath(const std::string& path);

 signals:
  void PathChanged();
  void OpenRequested(const std::string& path);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void RequestOpen(const QListWidgetItem* item);

  FileSystem& files_;
  TopOf topOf_;
  std::string path_;
  std::unique_ptr<FolderListing> listing_;
};

}  // namespace tolvane
