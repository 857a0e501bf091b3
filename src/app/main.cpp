#include <windows.h>

#include "app/App.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    CVellAppApp app(instance);
    app.InitInstance();
    return 0;
}
