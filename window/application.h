#pragma once

namespace tolvane {

// The application's name, title, version and icon, and the pictures it is built with.
// Call once the QApplication exists, before the window is made.
void SetUpApplication();

}  // namespace tolvane
