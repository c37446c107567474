// Stands in for the installer in the download tests: proves that it was started by writing
// the file that KOVRA_FAKE_SETUP_MARKER names.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t marker[MAX_PATH];
    const DWORD n = ::GetEnvironmentVariableW(L"KOVRA_FAKE_SETUP_MARKER", marker, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    HANDLE file = ::CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    ::WriteFile(file, "started", 7, &written, nullptr);
    ::CloseHandle(file);
    return 0;
}
