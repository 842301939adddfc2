#pragma once

#include <QComboBox>
#include <string>
#include <vector>

#include "window/drive.h"

namespace tolvane {

// Drive1: a drop-down of the machine's drives. Its value is the mount point of the drive shown;
// every change of it, by the user or by the program, raises DriveChanged.
class DriveList final : public QComboBox {
  Q_OBJECT

 public:
  // The drives are read from `source`, which must outlive the list.
  DriveList(Drives& source, QWidget* parent);

  // The mount point of the drive shown.
  std::string Drive() const;
  // Shows the drive that holds `path`.
  void SetDrive(const std::string& path);
  // The mount point of the listed drive that holds `path` (the path itself when none does).
  std::string DriveOf(const std::string& path) const;

  // Drives come and go while the program runs: the list is read again each time it opens.
  void showPopup() override;

 signals:
  void DriveChanged();

 private:
  void ShowDrives(std::vector<tolvane::Drive> drives, const std::string& shownMountPoint);
  int IndexOf(const std::string& mountPoint) const;

  Drives& source_;
  std::vector<tolvane::Drive> drives_;
};

}  // namespace tolvane
