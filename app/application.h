#pragma once

namespace melodrift {

// Start-up, main loop and shutdown; returns the process exit code.
int runApplication();

}  // namespace melodrift
