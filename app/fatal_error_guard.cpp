#include "app/fatal_error_guard.h"

#include <windows.h>

#include <exception>

namespace melodrift {

const char kFatalErrorCaption[] = "\x92\x76\x96\xBD\x93\x49\x83\x47\x83\x89\x81\x5B - melodrift";

int runGuarded(const std::function<int()>& body) {
    try {
        return body();
    } catch (const std::exception& e) {
        MessageBoxA(nullptr, e.what(), kFatalErrorCaption, MB_ICONERROR);
        return 1;
    }
}

}  // namespace melodrift
