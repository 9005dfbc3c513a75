#pragma once

namespace melodrift {

// PathMatchSpecW's answer for one pattern: `*` stands for any run of characters, `?`
// for any one, letters match regardless of case, `;` separates alternatives, spaces
// before each are skipped, and "*.*" matches every name. Worked out here because the
// system call compares each pattern with "*.*" by locale first, which costs more than
// the match when a directory of thousands of files is listed.
bool matchesNamePattern(const wchar_t* name, const wchar_t* pattern);

}  // namespace melodrift
