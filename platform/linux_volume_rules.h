#pragma once

#include <cstdint>
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

// What a file system's type tells of its folders: the names it refuses, the table it folds
// case by, and, for a folder without a name to ask with, whether it folds case (the Windows
// and network file systems do). `magic` is statfs's f_type; a FUSE file system, which the
// kernel cannot tell apart by its magic number, goes by `fuseType`, its type in the mount
// table ("fuse.fusefat", "fuseblk", ...) with, for "fuseblk", the file system its device
// holds when that can be read ("fuseblk.exfat", "fuseblk.ntfs").
VolumeRules RulesOfFileSystem(std::uint32_t magic, std::string_view fuseType = {});

}  // namespace tolvane
