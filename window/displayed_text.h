#pragma once

#include <QString>

#include <string_view>

namespace tolvane {

// Text the program keeps as bytes (file names, paths, messages naming them) as the window
// shows it: read as UTF-8, every byte counted, a NUL too, and each byte that is not UTF-8
// shown as U+FFFD. Only what is shown is decoded; the program goes on with the bytes.
inline QString DisplayedText(std::string_view bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace tolvane
