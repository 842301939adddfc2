#pragma once

namespace tolvane {

// Which names a volume refuses. Each level refuses what the one before it refuses, and more.
enum class NameRules : unsigned char {
  Linux,         // any bytes but "/" and NUL, at most 255 bytes
  WindowsShare,  // ... and none of the characters "*:<>?\| or a control character (SMB/CIFS shares)
  Unicode,       // ... and only UTF-8 of at most 255 UTF-16 code units (exFAT, NTFS)
  Fat,           // ... and no dot or space at the end, which Linux's FAT drops (FAT, the kernel's exFAT)
  FuseFat,       // ... and only ASCII without DEL: fusefat takes a file's old name away before it refuses the new
};

// By which table a volume that folds case tells letters apart.
enum class CaseTable : unsigned char {
  Unicode,  // Unicode's simple case folding: what every volume but exFAT is taken to follow
  Exfat,    // exFAT's up-case table, which keeps "ı" apart from "i" and "ẞ" from "ß"
};

// How the volume of one folder compares and limits the names of its files.
struct VolumeRules {
  bool foldsCase = false;  // "IMG_01.JPG" and "img_01.jpg" name one file there
  NameRules names = NameRules::Linux;
  CaseTable caseTable = CaseTable::Unicode;  // how it folds case, where it does
  friend bool operator==(const VolumeRules&, const VolumeRules&) = default;
};

}  // namespace tolvane
