#include "app/application.h"
#include "app/fatal_error_guard.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return melodrift::runGuarded(melodrift::runApplication); }
