#pragma once

namespace melodrift {

// Points the archive engine at the user settings (keys 7zDLL and Archive[format],
// added with their defaults when first asked) and at the warning box.
void useSettingsForEngine();

}  // namespace melodrift
