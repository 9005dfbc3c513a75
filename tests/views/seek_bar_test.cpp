// The seek bar's control and the time its tooltip shows.
#include "control_host.h"
#include "ui/views/track_bar.h"

#include <gtest/gtest.h>

#include <string>

namespace melodrift {
namespace {

class SeekBarTip : public ::testing::Test {
protected:
    std::wstring tipAt(int position) {
        SendMessageW(seek.window(), TBM_SETPOS, TRUE, position);
        NMTTDISPINFOW info{};
        info.hdr.hwndFrom = seek.toolTipWindow();
        info.hdr.code = TTN_GETDISPINFOW;
        info.lpszText = info.szText;
        EXPECT_EQ(seek.onSeekToolTip(&info), 0);
        EXPECT_EQ(info.hinst, nullptr);
        return info.lpszText;
    }

    test::ControlHost host;
    SeekBar seek{host.window()};
};

TEST_F(SeekBarTip, StartsDisabledWithATooltipWindow) {
    ASSERT_NE(seek.window(), nullptr);
    EXPECT_FALSE(IsWindowEnabled(seek.window()));
    EXPECT_EQ(GetDlgCtrlID(seek.window()), SeekBar::kControlId);
    EXPECT_EQ(GetParent(seek.window()), host.window());
    EXPECT_NE(seek.toolTipWindow(), nullptr);
    EXPECT_EQ(GetWindowLongW(seek.window(), GWL_STYLE) & (TBS_VERT | TBS_TOOLTIPS), TBS_TOOLTIPS);
}

TEST_F(SeekBarTip, ShowsTheTimeUnderTheThumb) {
    SendMessageW(seek.window(), TBM_SETRANGEMAX, TRUE, 4000);
    EXPECT_EQ(tipAt(65), L"1:05");
    EXPECT_EQ(tipAt(59), L"59");
    EXPECT_EQ(tipAt(0), L"0");
    EXPECT_EQ(tipAt(3725), L"1:02:05");
}

}  // namespace
}  // namespace melodrift
