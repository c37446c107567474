// Entry point of kovradesk.exe: the one application object and the program's start.
#include "kovradesk/tollex_app.h"

CTollexApp theApp;

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow) {
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
