#pragma once

#include <functional>

namespace melodrift {

// The caption of the fatal-error box, "致命的エラー - melodrift" in code page 932.
extern const char kFatalErrorCaption[];

// Runs body; a standard exception that escapes it is shown in a message box and
// turns into exit code 1.
int runGuarded(const std::function<int()>& body);

}  // namespace melodrift
