// The splitter bar: where layouts put the panes, and the drag that moves them on release.
#include "control_host.h"
#include "support/wait.h"
#include "ui/views/splitter.h"

#include <gtest/gtest.h>

namespace melodrift {
namespace {

class SplitterLayout : public ::testing::Test {
protected:
    void layoutIn(int left, int right, const RECT* area = nullptr) {
        const RECT given{left, 30, right, 530};
        splitter.layout(splitter.barPosition(), area ? area : &given);
    }
    // Left pane's right edge, the bar's left and right edges, the right pane's left
    // and right edges, each checked against the bar at x.
    void expectSplitAt(int x, int left, int right) {
        const RECT l = host.childRect(leftPane), b = host.childRect(splitter.window()), r = host.childRect(rightPane);
        EXPECT_EQ(splitter.barPosition(), x);
        EXPECT_EQ(l.left, left);
        EXPECT_EQ(l.right, x);
        EXPECT_EQ(b.left, x);
        EXPECT_EQ(b.right, x + 4);
        EXPECT_EQ(r.left, x + 4);
        EXPECT_EQ(r.right, right);
        for (const RECT& each : {l, b, r}) {
            EXPECT_EQ(each.top, 30);
            EXPECT_EQ(each.bottom, 530);
        }
    }

    test::ControlHost host;
    HWND leftPane = host.addChild(L"STATIC");
    HWND rightPane = host.addChild(L"STATIC");
    CSplitter splitter{host.window(), leftPane, rightPane};
};

TEST_F(SplitterLayout, BarIsAChildOfItsOwnClass) {
    ASSERT_NE(splitter.window(), nullptr);
    EXPECT_EQ(GetParent(splitter.window()), host.window());
    wchar_t className[64];
    GetClassNameW(splitter.window(), className, 64);
    EXPECT_STREQ(className, L"melodrift-Splitter");
    EXPECT_EQ(splitter.pendingPosition(), CSplitter::kDefaultSplit);
}

TEST_F(SplitterLayout, SecondSplitterInTheSameProcessGetsItsWindowToo) {
    CSplitter another(host.window(), leftPane, rightPane);
    EXPECT_NE(another.window(), nullptr);
}

TEST_F(SplitterLayout, FirstLayoutSplitsAtTwoFifths) {
    layoutIn(0, 1000);
    expectSplitAt(400, 0, 1000);
    EXPECT_EQ(splitter.pendingPosition(), CSplitter::kNothingPending);
}

TEST_F(SplitterLayout, LaterLayoutsKeepTheBarWithinTheClamps) {
    layoutIn(0, 1000);
    layoutIn(0, 600);
    expectSplitAt(400, 0, 600);
    layoutIn(0, 300);
    expectSplitAt(266, 0, 300);
}

TEST_F(SplitterLayout, LayoutWithoutAnAreaReusesTheLastOne) {
    layoutIn(0, 1000);
    splitter.layout(700);
    expectSplitAt(700, 0, 1000);
}

TEST_F(SplitterLayout, SavedPositionIsUsedOnceAndClamped) {
    splitter.setPendingPosition(5);
    layoutIn(0, 1000);
    expectSplitAt(20, 0, 1000);
    splitter.setPendingPosition(990);
    layoutIn(0, 1000);
    expectSplitAt(966, 0, 1000);
    splitter.setPendingPosition(500);
    layoutIn(0, 1000);
    expectSplitAt(500, 0, 1000);
    EXPECT_EQ(splitter.pendingPosition(), CSplitter::kNothingPending);
}

TEST_F(SplitterLayout, SavedPositionAfterTheFirstLayoutWaitsForTheNext) {
    layoutIn(0, 1000);
    splitter.setPendingPosition(300);
    layoutIn(0, 1000);
    expectSplitAt(300, 0, 1000);
}

TEST_F(SplitterLayout, NarrowAreaAlwaysSplitsAtTwoFifths) {
    splitter.setPendingPosition(30);
    layoutIn(0, 40);
    expectSplitAt(16, 0, 40);
    splitter.layout(35);
    expectSplitAt(16, 0, 40);
    layoutIn(0, 53);
    expectSplitAt(21, 0, 53);
}

TEST_F(SplitterLayout, NarrowestAreaLeavesEmptyPanesRatherThanNegativeOnes) {
    layoutIn(0, 2);
    const RECT l = host.childRect(leftPane), r = host.childRect(rightPane);
    EXPECT_EQ(l.right - l.left, 0);
    EXPECT_EQ(r.right - r.left, 0);
}

TEST_F(SplitterLayout, AreaNotStartingAtZeroSplitsWithinItself) {
    layoutIn(100, 140);
    expectSplitAt(116, 100, 140);
    layoutIn(100, 1100);
    expectSplitAt(120, 100, 1100);
}

TEST_F(SplitterLayout, AreaWithoutHeightGivesPanesNoHeight) {
    const RECT squeezed{0, 30, 1000, 20};
    splitter.layout(0, &squeezed);
    const RECT l = host.childRect(leftPane);
    EXPECT_EQ(l.bottom - l.top, 0);
}

class SplitterDrag : public SplitterLayout {
protected:
    void SetUp() override { layoutIn(0, 1000); }

    // Puts the real cursor at a point of the host's client area, as the bar reads it
    // from there, and returns the point in the bar's client coordinates for lParam.
    LPARAM cursorAt(int x, int y) {
        POINT screen{x, y};
        ClientToScreen(host.window(), &screen);
        SetCursorPos(screen.x, screen.y);
        EXPECT_TRUE(test::waitUntil(
            [&] {
                POINT now;
                return GetCursorPos(&now) && now.x == screen.x && now.y == screen.y;
            },
            10000));
        POINT onBar = screen;
        ScreenToClient(splitter.window(), &onBar);
        return MAKELPARAM(onBar.x, onBar.y);
    }
    void press(int x) { SendMessageW(splitter.window(), WM_LBUTTONDOWN, MK_LBUTTON, cursorAt(x, 200)); }
    void moveTo(int x) { SendMessageW(splitter.window(), WM_MOUSEMOVE, MK_LBUTTON, cursorAt(x, 200)); }
    void release(int x) { SendMessageW(splitter.window(), WM_LBUTTONUP, 0, cursorAt(x, 200)); }
};

TEST_F(SplitterDrag, PanesMoveOnlyWhenTheButtonIsReleased) {
    press(402);
    EXPECT_EQ(GetCapture(), splitter.window());
    moveTo(450);
    moveTo(502);
    expectSplitAt(400, 0, 1000);
    release(502);
    expectSplitAt(500, 0, 1000);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(SplitterDrag, DragToTheLeftAlsoMovesByTheDistanceTravelled) {
    press(401);
    release(251);
    expectSplitAt(250, 0, 1000);
}

TEST_F(SplitterDrag, DragPastTheEdgesStopsAtTheClamps) {
    press(402);
    release(1090);
    expectSplitAt(966, 0, 1000);
    press(967);
    moveTo(2);
    release(2);
    expectSplitAt(20, 0, 1000);
}

TEST_F(SplitterDrag, ReleaseWithoutAPressMovesNothing) {
    release(600);
    expectSplitAt(400, 0, 1000);
}

TEST_F(SplitterDrag, SecondPressDuringADragKeepsTheFirstAnchor) {
    press(402);
    press(452);
    release(502);
    expectSplitAt(500, 0, 1000);
}

}  // namespace
}  // namespace melodrift
