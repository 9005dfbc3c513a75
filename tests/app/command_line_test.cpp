// The path a start is given, from command lines as the shell, shortcuts and scripts write them.
#include "app/command_line.h"

#include <gtest/gtest.h>

namespace melodrift {
namespace {

TEST(CommandLine, TheFirstArgumentIsThePathAndAQuotedTrailingBackslashStaysOne) {
    const struct {
        const wchar_t* commandLine;
        const wchar_t* path;  // null: none
    } rows[] = {
        {L"melodrift.exe", nullptr},
        {L"\"C:\\Program Files\\melodrift.exe\" \"D:\\曲\\a b.mp3\" ignored", L"D:\\曲\\a b.mp3"},
        {L"melodrift.exe D:\\music\\", L"D:\\music\\"},
        {L"melodrift.exe \"\"", L""},
        // A backslash before the closing quote escapes it; a path never holds a quote.
        {L"melodrift.exe \"D:\\\"", L"D:\\"},
        {L"melodrift.exe \"D:\\My Music\\\" \"next\"", L"D:\\My Music\\"},
    };
    for (const auto& row : rows) {
        const std::optional<std::wstring> path = commandLinePathOf(row.commandLine);
        EXPECT_EQ(path.value_or(L"(none)"), row.path ? row.path : L"(none)") << row.commandLine;
    }
}

}  // namespace
}  // namespace melodrift
