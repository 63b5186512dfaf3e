#include "win32/KestruneApp.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    InitCommonControlClasses();
    CKestruneApp app;
    app.InitInstance();
    return app.ExitInstance();
}
