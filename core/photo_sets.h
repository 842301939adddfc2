#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/rename_list.h"
#include "platform/platform.h"

namespace tolvane {

// What a file's last extension makes of it where sets are formed; letter case is ignored.
enum class SetRole {
  None,     // never in a set: documents, and everything but the kinds below
  Raw,      // a camera's raw photo (CR2, NEF, DNG, ...)
  Photo,    // JPEG, HEIC/HEIF, TIFF, PNG, WebP
  Video,    // MOV, MP4
  Sidecar,  // a file of edits beside a photo (XMP, PP3, DOP, AAE, THM)
};

SetRole RoleOf(std::string_view fileName);

// Loads the files of a folder read into `list` in the order LoadFolderItems gives them, one
// entry per set. A set is the photos and videos named by one stem and an extension each (at
// most one file of each ending, letter case ignored), with each sidecar named as a member's
// whole name and a sidecar's extension ("IMG_1.CR2.xmp") or as the stem and one ("IMG_1.xmp").
// Names are compared as the volume compares them under `rules`. The entry is the set's main
// file, its first raw photo, else its first photo, else its first video, and stands where
// that file stands; the others are its members, photos and videos first. A sidecar that
// finds no photo is an entry of its own, marked as such.
void LoadFolderSets(RenameList& list, const std::vector<FolderItem>& folderItems, const VolumeRules& rules);

}  // namespace tolvane
