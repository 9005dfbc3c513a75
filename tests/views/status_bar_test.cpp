// Time texts and the status bar's time part.
#include "control_host.h"
#include "ui/views/status_bar.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace melodrift {
namespace {

TEST(TimeText, BelowAMinuteIsThePlainNumber) {
    EXPECT_EQ(formatTime(0), L"0");
    EXPECT_EQ(formatTime(5), L"5");
    EXPECT_EQ(formatTime(59), L"59");
}

TEST(TimeText, MinutesCarryTwoDigitSeconds) {
    EXPECT_EQ(formatTime(60), L"1:00");
    EXPECT_EQ(formatTime(61), L"1:01");
    EXPECT_EQ(formatTime(3599), L"59:59");
}

TEST(TimeText, HoursCarryTwoDigitMinutesAndSeconds) {
    EXPECT_EQ(formatTime(3600), L"1:00:00");
    EXPECT_EQ(formatTime(3725), L"1:02:05");
    EXPECT_EQ(formatTime(86399), L"23:59:59");
    EXPECT_EQ(formatTime(86400), L"24:00:00");
    EXPECT_EQ(formatTime(INT_MAX), L"596523:14:07");
}

TEST(TimeText, NegativeSecondsArePrintedAsTheyAre) {
    EXPECT_EQ(formatTime(-1), L"-1");
    EXPECT_EQ(formatTime(-75), L"-75");
    EXPECT_EQ(formatTime(INT_MIN), L"-2147483648");
}

std::wstring partText(HWND bar, int part) {
    const LRESULT length = SendMessageW(bar, SB_GETTEXTLENGTHW, part, 0);
    std::wstring text(LOWORD(length) + 1, L'\0');
    SendMessageW(bar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    return text;
}

class StatusBarTime : public ::testing::Test {
protected:
    test::ControlHost host;
    StatusBar bar{host.window()};
};

TEST_F(StatusBarTime, StartsWithTwoEmptyParts) {
    ASSERT_NE(bar.window(), nullptr);
    EXPECT_EQ(SendMessageW(bar.window(), SB_GETPARTS, 0, 0), 2);
    EXPECT_EQ(partText(bar.window(), 0), L"");
    EXPECT_EQ(partText(bar.window(), 1), L"");
}

TEST_F(StatusBarTime, ElapsedAndTotalAreJoined) {
    bar.setTotal(45);
    EXPECT_EQ(partText(bar.window(), 1), L"0 / 45");
    bar.showPosition(12);
    EXPECT_EQ(partText(bar.window(), 1), L"12 / 45");
    bar.setTotal(3725);
    EXPECT_EQ(partText(bar.window(), 1), L"0 / 1:02:05");
    bar.showPosition(3599);
    EXPECT_EQ(partText(bar.window(), 1), L"59:59 / 1:02:05");
}

TEST_F(StatusBarTime, NegativeTotalClearsTheTimeForLaterPositionsToo) {
    bar.setTotal(45);
    bar.setTotal(-1);
    EXPECT_EQ(partText(bar.window(), 1), L"");
    bar.showPosition(12);
    EXPECT_EQ(partText(bar.window(), 1), L"");
}

TEST_F(StatusBarTime, ZeroLengthItemStillShowsItsTotal) {
    bar.setTotal(0);
    EXPECT_EQ(partText(bar.window(), 1), L"0 / 0");
}

TEST_F(StatusBarTime, TimePartLeavesTheNamePartAlone) {
    SendMessageW(bar.window(), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"曲.mp3"));
    bar.setTotal(61);
    EXPECT_EQ(partText(bar.window(), 0), L"曲.mp3");
    EXPECT_EQ(partText(bar.window(), 1), L"0 / 1:01");
}

}  // namespace
}  // namespace melodrift
