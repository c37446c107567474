// Stands in for the converter in the close scenario: it runs for twenty seconds and writes
// nothing, so the wizard can be closed while it waits for the converter's answer. A windowed
// program, so that no console host outlives the scenario.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ::Sleep(20000);
    return 0;
}
