#include "control_host.h"
#include "ui/views/splitter.h"
#include "ui/views/status_bar.h"
#include "ui/views/volume_bar.h"

#include <climits>

namespace melodrift {
namespace {

TEST(Splitter, LayoutsClampTheBarAndADragMovesThePanesOnRelease) {
    test::ControlHost host;
    HWND left = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD, 0, 0, 9, 9, host.window(), nullptr, nullptr, nullptr),
         right = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD, 0, 0, 9, 9, host.window(), nullptr, nullptr, nullptr);
    CSplitter splitter(host.window(), left, right);
    RECT area{};
    auto expectSplit = [&](long x) {  // every edge of both panes and the bar, in the host's client area
        std::vector<long> edges{splitter.barPosition()};
        for (HWND child : {left, splitter.window(), right}) {
            RECT r;
            GetWindowRect(child, &r);
            MapWindowPoints(nullptr, host.window(), reinterpret_cast<POINT*>(&r), 2);
            edges.insert(edges.end(), {r.left, r.right, r.top, r.bottom});
        }
        EXPECT_EQ(edges, (std::vector<long>{x, area.left, x, 30, 530, x, x + 4, 30, 530, x + 4, area.right, 30, 530}));
    };
    constexpr int keep = CSplitter::kNothingPending;
    const struct {
        const char* why;
        int pending, left, right, x, expected;
    } layouts[] = {
        {"first layout at two fifths", keep, 0, 1000, 0, 400},
        {"saved, right pane keeps 30", 990, 0, 1000, 20, 966},
        {"saved only once", keep, 0, 1000, 300, 300},
        {"narrow: two fifths, not saved", 30, 0, 40, 300, 16},
        {"narrow", keep, 0, 53, 35, 21},
        {"narrow, not at 0", keep, 100, 140, 35, 116},
        {"not at 0", keep, 100, 1100, 116, 120},
    };
    for (const auto& step : layouts) {
        SCOPED_TRACE(step.why);
        if (step.pending != keep) splitter.setPendingPosition(step.pending);
        area = {step.left, 30, step.right, 530};
        splitter.layout(step.x, &area);
        expectSplit(step.expected);
    }
    area = {0, 30, 1000, 530};
    splitter.layout(400, &area);
    auto mouse = [&](UINT message, int x) {  // the bar reads the real cursor
        POINT at{x, 200};
        ClientToScreen(host.window(), &at);
        SetCursorPos(at.x, at.y);
        EXPECT_TRUE(test::waitUntil([&] {
            POINT now;
            return GetCursorPos(&now) && now.x == at.x && now.y == at.y;
        }));
        ScreenToClient(splitter.window(), &at);
        SendMessageW(splitter.window(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(at.x, at.y));
    };
    const struct {
        const char* why;
        std::vector<int> presses;
        int release, expected;
    } drags[] = {
        {"release without a press", {}, 600, 400},
        {"a second press keeps the first anchor", {402, 452}, 502, 500},
        {"past the right edge: clamped", {352}, 1090, 966},
        {"capture lost (-1): the next press anchors anew", {700, -1, 600}, 500, 866},
    };
    for (const auto& drag : drags) {
        SCOPED_TRACE(drag.why);
        const int before = splitter.barPosition();
        for (int x : drag.presses) x < 0 ? void(ReleaseCapture()) : mouse(WM_LBUTTONDOWN, x);
        mouse(WM_MOUSEMOVE, drag.release);
        expectSplit(before);  // moving alone moves nothing
        mouse(WM_LBUTTONUP, drag.release);
        expectSplit(drag.expected);
        EXPECT_EQ(GetCapture(), nullptr);
    }
}

TEST(TimeTexts, StatusBarAndSeekTipShowTheSameTimes) {
    test::ControlHost host;
    StatusBar status(host.window());
    SeekBar seek(host.window());
    auto part = [&](int n) {
        wchar_t text[64] = L"";
        SendMessageW(status.window(), SB_GETTEXTW, n, reinterpret_cast<LPARAM>(text));
        return std::wstring(text);
    };
    seek.startItem(4000);
    MoveWindow(seek.window(), 0, 0, 400, 30, FALSE);
    auto held = [&] {  // what the tooltip holds while the thumb is held
        RECT thumb{};
        SendMessageW(seek.window(), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
        SendMessageW(seek.window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(thumb.left + 2, thumb.top + 2));
        wchar_t text[80] = L"";
        TTTOOLINFOW tool{sizeof tool, 0, seek.window()};
        tool.lpszText = text;
        SendMessageW(seek.toolTipWindow(), TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
        SendMessageW(seek.window(), WM_LBUTTONUP, 0, 0);
        return std::wstring(text);
    };
    const struct {
        int seconds;
        const wchar_t* text;
    } times[] = {
        {0, L"0"},
        {59, L"59"},
        {60, L"1:00"},
        {3599, L"59:59"},
        {3600, L"1:00:00"},
        {INT_MAX, L"596523:14:07"},
        {-1, L"-1"},
        {INT_MIN, L"-2147483648"},
    };
    for (const auto& [seconds, text] : times) {
        SCOPED_TRACE(seconds);
        status.setTotal(seconds);  // a negative total clears the time, for later positions too
        EXPECT_EQ(part(1), seconds < 0 ? L"" : L"0 / " + std::wstring(text));
        status.showPosition(3599);
        EXPECT_EQ(part(1), seconds < 0 ? L"" : L"59:59 / " + std::wstring(text));
        if (seconds < 0 || seconds > 4000) continue;
        NMTTDISPINFOW tip{{seek.toolTipWindow(), 0, UINT(TTN_GETDISPINFOW)}};
        tip.lpszText = tip.szText;
        seek.setPosition(seconds);
        seek.onSeekToolTip(&tip);
        EXPECT_EQ(tip.hinst, nullptr);
        EXPECT_EQ(tip.lpszText, std::wstring(text));
        EXPECT_EQ(held(), text);
    }
}

TEST(Volume, SquareLawBothWaysWithClampsOverAnExactRoot) {
    EXPECT_EQ(integerSqrt(~0u), 65535u) << "the top of the range";
    EXPECT_EQ(integerSqrt(65535u * 65535u - 1), 65534u) << "just below a square";
    for (auto [position, volume] : {
             std::pair{1, -9000},
             {50, -2929},
         })
        EXPECT_EQ(std::pair(positionToVolume(position), volumeToPosition(volume)), std::pair(volume, position));
    for (int p = 0; p <= 100; ++p) EXPECT_EQ(volumeToPosition(positionToVolume(p)), p) << p;
    EXPECT_EQ(std::pair(volumeToPosition(5), volumeToPosition(-20000)), std::pair(100, 0)) << "clamped";
    EXPECT_EQ(std::pair(positionToVolume(-3), positionToVolume(150)), std::pair(-10000, 0)) << "clamped";
}

}  // namespace
}  // namespace melodrift
