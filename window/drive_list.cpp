#include "window/drive_list.h"

#include <QSignalBlocker>

#include <algorithm>

#include "window/displayed_text.h"

namespace tolvane {

DriveList::DriveList(Drives& source, QWidget* parent) : QComboBox(parent), source_(source) {
  ShowDrives(source_.MountedDrives(), {});
  connect(this, &QComboBox::currentIndexChanged, this, &DriveList::DriveChanged);
}

std::string DriveList::Drive() const {
  const int index = currentIndex();
  return index < 0 ? std::string() : drives_[static_cast<std::size_t>(index)].mountPoint;
}

void DriveList::SetDrive(const std::string& path) {
  const std::string mountPoint = DriveOf(path);
  if (IndexOf(mountPoint) < 0) {
    std::vector<tolvane::Drive> drives = drives_;
    drives.push_back(tolvane::Drive{mountPoint, {}});
    ShowDrives(std::move(drives), Drive());
  }
  setCurrentIndex(IndexOf(mountPoint));
}

std::string DriveList::DriveOf(const std::string& path) const {
  const tolvane::Drive* drive = DriveHolding(drives_, path);
  return drive ? drive->mountPoint : path;
}

void DriveList::showPopup() {
  ShowDrives(source_.MountedDrives(), Drive());
  QComboBox::showPopup();
}

// The drive shown stays shown, and stays listed even when it has gone: picking it again then
// fails as a drive without its medium does.
void DriveList::ShowDrives(std::vector<tolvane::Drive> drives, const std::string& shownMountPoint) {
  const auto isShown = [&](const tolvane::Drive& drive) { return drive.mountPoint == shownMountPoint; };
  if (!shownMountPoint.empty() && std::none_of(drives.begin(), drives.end(), isShown)) {
    drives.push_back(tolvane::Drive{shownMountPoint, {}});
  }
  QSignalBlocker quiet(this);
  drives_ = std::move(drives);
  clear();
  for (const tolvane::Drive& drive : drives_) addItem(DisplayedText(DriveTitle(drive)));
  setCurrentIndex(IndexOf(shownMountPoint));
}

int DriveList::IndexOf(const std::string& mountPoint) const {
  for (std::size_t i = 0; i < drives_.size(); ++i) {
    if (drives_[i].mountPoint == mountPoint) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace tolvane
