// The toolbar's buttons, images, repeat mode and tooltip texts.
#include "control_host.h"
#include "ui/views/tool_bar.h"

#include <gtest/gtest.h>

#include <string>

namespace melodrift {
namespace {

class ToolBarButtons : public ::testing::Test {
protected:
    TBBUTTON buttonAt(int index) const {
        TBBUTTON b{};
        EXPECT_TRUE(SendMessageW(toolbar.window(), TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&b)));
        return b;
    }
    int imageOf(int id) const { return static_cast<int>(SendMessageW(toolbar.window(), TB_GETBITMAP, id, 0)); }
    std::wstring tipFor(UINT_PTR id, const wchar_t* leftOver = L"stale") const {
        NMTTDISPINFOW info{};
        info.hdr.hwndFrom = toolbar.toolTipWindow();
        info.hdr.idFrom = id;
        info.hdr.code = TTN_GETDISPINFOW;
        info.lpszText = info.szText;
        info.hinst = GetModuleHandleW(nullptr);
        info.uFlags = TTF_IDISHWND;
        lstrcpynW(info.szText, leftOver, 80);
        EXPECT_EQ(toolbar.onToolTip(&info), 0);
        EXPECT_EQ(info.hinst, nullptr);
        EXPECT_EQ(info.uFlags, 0u);
        return info.lpszText;
    }
    void check(int id, bool on) {
        SendMessageW(toolbar.window(), TB_CHECKBUTTON, id, MAKELPARAM(on ? TRUE : FALSE, 0));
    }

    test::ControlHost host;
    ToolBar toolbar{host.window()};
};

TEST_F(ToolBarButtons, ElevenButtonsInOrderWithTheirImagesAndStyles) {
    ASSERT_NE(toolbar.window(), nullptr);
    ASSERT_EQ(SendMessageW(toolbar.window(), TB_BUTTONCOUNT, 0, 0), 11);
    struct Expected {
        int id;
        int image;
        BYTE style;
    };
    const Expected expected[11] = {
        {ID_PLAY, 0, TBSTYLE_BUTTON},   {ID_PAUSE, 1, TBSTYLE_CHECK},  {ID_STOP, 2, TBSTYLE_BUTTON},
        {ID_PREV, 3, TBSTYLE_BUTTON},   {ID_NEXT, 4, TBSTYLE_BUTTON},  {0, 8, TBSTYLE_SEP},
        {ID_RANDOM, 5, TBSTYLE_CHECK},  {ID_REPEAT, 6, TBSTYLE_BUTTON}, {ID_VOLUME, 9, TBSTYLE_BUTTON},
        {0, 8, TBSTYLE_SEP},            {ID_FAVORITES, 10, TBSTYLE_BUTTON},
    };
    for (int i = 0; i < 11; ++i) {
        SCOPED_TRACE(i);
        const TBBUTTON b = buttonAt(i);
        EXPECT_EQ(b.idCommand, expected[i].id);
        EXPECT_EQ(b.iBitmap, expected[i].image);
        EXPECT_EQ(b.fsStyle & (TBSTYLE_CHECK | TBSTYLE_SEP), expected[i].style);
        EXPECT_EQ(b.fsState & TBSTATE_ENABLED, expected[i].style == TBSTYLE_SEP ? 0 : TBSTATE_ENABLED);
    }
    EXPECT_EQ(toolbar.baseId(), ID_PLAY);
    EXPECT_EQ(toolbar.repeatMode(), RepeatNone);
}

TEST_F(ToolBarButtons, ImageStripComesFromTheModuleResource) {
    const auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(toolbar.window(), TB_GETIMAGELIST, 0, 0));
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), 11);
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(images, &cx, &cy));
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);
}

TEST_F(ToolBarButtons, ButtonsHaveSizeForTheRebarBand) {
    RECT first{}, last{};
    ASSERT_TRUE(SendMessageW(toolbar.window(), TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)));
    ASSERT_TRUE(SendMessageW(toolbar.window(), TB_GETITEMRECT, 10, reinterpret_cast<LPARAM>(&last)));
    EXPECT_GE(first.bottom - first.top, 16);
    // Nine buttons of at least 16 pixels and two 8-pixel separators.
    EXPECT_GE(last.right - first.left, 9 * 16 + 2 * 8);
}

TEST_F(ToolBarButtons, CheckedStateIsAskedByOffset) {
    EXPECT_FALSE(toolbar.isChecked(ID_RANDOM - ID_PLAY));
    check(ID_RANDOM, true);
    EXPECT_TRUE(toolbar.isChecked(ID_RANDOM - ID_PLAY));
    EXPECT_FALSE(toolbar.isChecked(ID_PAUSE - ID_PLAY));
    check(ID_RANDOM, false);
    EXPECT_FALSE(toolbar.isChecked(ID_RANDOM - ID_PLAY));
}

TEST_F(ToolBarButtons, TooltipTexts) {
    EXPECT_EQ(tipFor(ID_PLAY), L"再生");
    EXPECT_EQ(tipFor(ID_PAUSE), L"一時停止");
    EXPECT_EQ(tipFor(ID_STOP), L"停止");
    EXPECT_EQ(tipFor(ID_PREV), L"前の曲");
    EXPECT_EQ(tipFor(ID_NEXT), L"次の曲");
    EXPECT_EQ(tipFor(ID_RANDOM), L"ランダム");
    EXPECT_EQ(tipFor(ID_REPEAT), L"リピートなし");
    EXPECT_EQ(tipFor(ID_VOLUME), L"音量");
    EXPECT_EQ(tipFor(ID_FAVORITES), L"お気に入り");
}

TEST_F(ToolBarButtons, PauseTooltipOffersResumeWhilePaused) {
    check(ID_PAUSE, true);
    EXPECT_EQ(tipFor(ID_PAUSE), L"再開");
    check(ID_PAUSE, false);
    EXPECT_EQ(tipFor(ID_PAUSE), L"一時停止");
}

TEST_F(ToolBarButtons, UnknownIdsGetAnEmptyText) {
    EXPECT_EQ(tipFor(0), L"");
    EXPECT_EQ(tipFor(ID_PLAY - 1), L"");
    EXPECT_EQ(tipFor(ID_FAVORITES + 1), L"");
}

TEST_F(ToolBarButtons, TooltipRequestFromTheControlReachesTheHandler) {
    // The tooltip control asks for the text of a callback tool with TTN_GETDISPINFOW;
    // the host routes it as the main window does.
    const HWND tips = toolbar.toolTipWindow();
    ASSERT_NE(tips, nullptr);
    host.onNotify = [&](NMHDR* header) -> LRESULT {
        if (header->code != TTN_GETDISPINFOW) return 0;
        if (header->hwndFrom != tips && header->hwndFrom != toolbar.window()) return 0;
        return toolbar.onToolTip(reinterpret_cast<NMTTDISPINFOW*>(header));
    };
    toolbar.setRepeatMode(RepeatList);
    wchar_t text[80] = L"";
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = toolbar.window();
    tool.uId = ID_REPEAT;
    tool.lpszText = text;
    SendMessageW(tips, TTM_GETTEXTW, ARRAYSIZE(text), reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, L"リピート（リスト）");
}

TEST_F(ToolBarButtons, RepeatModeSwitchesTheRepeatImageAndTooltip) {
    toolbar.setRepeatMode(RepeatSingle);
    EXPECT_EQ(toolbar.repeatMode(), RepeatSingle);
    EXPECT_EQ(imageOf(ID_REPEAT), 8);
    EXPECT_EQ(tipFor(ID_REPEAT), L"リピート（単曲）");
    toolbar.setRepeatMode(RepeatList);
    EXPECT_EQ(imageOf(ID_REPEAT), 7);
    EXPECT_EQ(tipFor(ID_REPEAT), L"リピート（リスト）");
    toolbar.setRepeatMode(RepeatNone);
    EXPECT_EQ(imageOf(ID_REPEAT), 6);
    EXPECT_EQ(imageOf(ID_RANDOM), 5);
    EXPECT_EQ(imageOf(ID_VOLUME), 9);
}

TEST_F(ToolBarButtons, RepeatModeOutsideTheThreeModesChangesNothing) {
    toolbar.setRepeatMode(RepeatList);
    toolbar.setRepeatMode(5);
    toolbar.setRepeatMode(-1);
    EXPECT_EQ(toolbar.repeatMode(), RepeatList);
    EXPECT_EQ(imageOf(ID_REPEAT), 7);
}

}  // namespace
}  // namespace melodrift
