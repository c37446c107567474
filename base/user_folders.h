// Folders of the current user that the platform knows: the documents folder.
#pragma once

#include <string>

namespace kovra {

// The user's documents folder: the shell's "My Documents" on Windows; on Linux
// $XDG_DOCUMENTS_DIR or ~/Documents when it exists, else the home folder. False when none
// can be determined.
bool GetDocumentsFolder(std::wstring* folder);

}  // namespace kovra
