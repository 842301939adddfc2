#pragma once

#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/volume_rules.h"

namespace tolvane {

// The rules of the volume that holds the open folder `folder`. Whether it folds case is the
// kernel's answer for this folder: a name of `items` asked for in another case either is
// found or is not. Only a folder without such a name is judged by its file system's type
// and its casefold flag. Which names it refuses follows from its file system's type.
VolumeRules ReadVolumeRules(int folder, const std::vector<FolderItem>& items);

// The names a FUSE file system refuses, by its type in the mount table ("fuseblk",
// "fuse.fusefat", ...). The kernel cannot tell FUSE file systems apart by their magic number.
NameRules NameRulesOfFuseType(std::string_view type);

}  // namespace tolvane
