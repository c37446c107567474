// The user's documents folder on Windows and Linux.
#include "base/user_folders.h"

#include "base/file_io.h"

#ifdef _WIN32
#include <shlobj.h>
#include <windows.h>
#else
#include <cstdlib>
#endif

namespace kovra {

bool GetDocumentsFolder(std::wstring* folder) {
#ifdef _WIN32
    wchar_t buf[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, buf)) ||
        !buf[0])
        return false;
    *folder = buf;
    return true;
#else
    const char* xdg = std::getenv("XDG_DOCUMENTS_DIR");
    if (xdg && xdg[0] == '/' && FileExists(std::string(xdg))) {
        *folder = FromUtf8(xdg);
        return true;
    }
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') return false;
    const std::string documents = std::string(home) + "/Documents";
    *folder = FromUtf8(FileExists(documents) ? documents : std::string(home));
    return true;
#endif
}

}  // namespace kovra
