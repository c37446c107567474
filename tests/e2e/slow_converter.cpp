// Stands in for the converter in the close scenario: it writes nothing and runs until the
// scenario ends it, so the wizard is closed while it waits for the converter's answer however
// long the scenario takes to get there. Bounded, so that a failed scenario leaves nothing
// running for ever. A windowed program, so that no console host outlives the scenario.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HANDLE never = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::WaitForSingleObject(never, 10 * 60 * 1000);
    return 0;
}
