// The volume pop-up: the square-law mapping, showing it, reporting moves and hiding.
#include "control_host.h"
#include "support/wait.h"
#include "ui/views/volume_bar.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace melodrift {
namespace {

TEST(IntegerSqrt, SmallValues) {
    EXPECT_EQ(integerSqrt(0), 0u);
    EXPECT_EQ(integerSqrt(1), 1u);
    EXPECT_EQ(integerSqrt(2), 1u);
    EXPECT_EQ(integerSqrt(3), 1u);
    EXPECT_EQ(integerSqrt(4), 2u);
    EXPECT_EQ(integerSqrt(5), 2u);
    EXPECT_EQ(integerSqrt(8), 2u);
    EXPECT_EQ(integerSqrt(9), 3u);
}

TEST(IntegerSqrt, TopOfTheRange) {
    EXPECT_EQ(integerSqrt(0xFFFFFFFFu), 65535u);
    EXPECT_EQ(integerSqrt(65535u * 65535u), 65535u);
    EXPECT_EQ(integerSqrt(65535u * 65535u - 1), 65534u);
    EXPECT_EQ(integerSqrt(0x80000000u), 46340u);
    EXPECT_EQ(integerSqrt(100000000u), 10000u);
}

bool isFloorRoot(unsigned a, unsigned r) {
    const uint64_t root = r;
    return root * root <= a && (root + 1) * (root + 1) > a;
}

TEST(IntegerSqrt, FloorOfTheRootAcrossTheRange) {
    for (unsigned a = 0; a < 300000; ++a) ASSERT_TRUE(isFloorRoot(a, integerSqrt(a))) << a;
    // Squares and their neighbours, where rounding errors would show.
    for (uint64_t r = 2; r <= 65535; r += 7) {
        for (int64_t d = -1; d <= 1; ++d) {
            const uint64_t a = r * r + d;
            if (a > 0xFFFFFFFFu) continue;
            ASSERT_TRUE(isFloorRoot(static_cast<unsigned>(a), integerSqrt(static_cast<unsigned>(a)))) << a;
        }
    }
    for (unsigned a = 0xFFFFFFFFu; a > 0xFFFFFFFFu - 100000; --a) ASSERT_TRUE(isFloorRoot(a, integerSqrt(a))) << a;
}

TEST(VolumeMapping, KnownPairs) {
    EXPECT_EQ(positionToVolume(0), -10000);
    EXPECT_EQ(positionToVolume(1), -9000);
    EXPECT_EQ(positionToVolume(25), -5000);
    EXPECT_EQ(positionToVolume(50), -2929);
    EXPECT_EQ(positionToVolume(100), 0);
    EXPECT_EQ(volumeToPosition(-10000), 0);
    EXPECT_EQ(volumeToPosition(-2929), 50);
    EXPECT_EQ(volumeToPosition(0), 100);
}

TEST(VolumeMapping, EveryPositionSurvivesTheRoundTrip) {
    for (int p = 0; p <= 100; ++p) EXPECT_EQ(volumeToPosition(positionToVolume(p)), p) << p;
}

TEST(VolumeMapping, OutOfRangeValuesAreClamped) {
    EXPECT_EQ(volumeToPosition(5), 100);
    EXPECT_EQ(volumeToPosition(-20000), 0);
    EXPECT_EQ(positionToVolume(-3), -10000);
    EXPECT_EQ(positionToVolume(150), 0);
}

void expectShownAt(HWND popup, int x, int y, int width, int height) {
    EXPECT_TRUE(IsWindowVisible(popup));
    RECT r;
    GetWindowRect(popup, &r);
    EXPECT_EQ(r.left, x);
    EXPECT_EQ(r.top, y);
    EXPECT_EQ(r.right - r.left, width);
    EXPECT_EQ(r.bottom - r.top, height);
}

class VolumePopup : public ::testing::Test {
protected:
    int thumb() const { return static_cast<int>(SendMessageW(volume.trackBarWindow(), TBM_GETPOS, 0, 0)); }
    void moveThumbTo(int position) {
        SendMessageW(volume.trackBarWindow(), TBM_SETPOS, TRUE, position);
        SendMessageW(volume.window(), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                     reinterpret_cast<LPARAM>(volume.trackBarWindow()));
    }

    test::ControlHost host;
    VolumeBar volume{host.window()};
};

TEST_F(VolumePopup, CreatedHiddenAndOwnedByTheMainWindow) {
    ASSERT_NE(volume.window(), nullptr);
    ASSERT_NE(volume.trackBarWindow(), nullptr);
    EXPECT_FALSE(IsWindowVisible(volume.window()));
    EXPECT_EQ(GetWindow(volume.window(), GW_OWNER), host.window());
    wchar_t className[64];
    GetClassNameW(volume.window(), className, 64);
    EXPECT_STREQ(className, L"melodrift-Volume");
    EXPECT_EQ(SendMessageW(volume.trackBarWindow(), TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(SendMessageW(volume.trackBarWindow(), TBM_GETRANGEMAX, 0, 0), 100);
    EXPECT_EQ(volume.volume(), 0);
}

TEST_F(VolumePopup, ShowAtPlacesItTopmostWithTheThumbAtTheVolume) {
    volume.setVolume(-2929);
    volume.showAt(100, 120, 200, 30);
    expectShownAt(volume.window(), 100, 120, 200, 30);
    EXPECT_TRUE(GetWindowLongW(volume.window(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(thumb(), 50);
    // The trackbar fills the pop-up.
    RECT client, bar;
    GetClientRect(volume.window(), &client);
    GetWindowRect(volume.trackBarWindow(), &bar);
    EXPECT_EQ(bar.right - bar.left, client.right);
    EXPECT_EQ(bar.bottom - bar.top, client.bottom);
}

TEST_F(VolumePopup, StoredVolumeOutOfRangeIsClamped) {
    volume.setVolume(5);
    EXPECT_EQ(volume.volume(), 0);
    volume.showAt(100, 120, 200, 30);
    EXPECT_EQ(thumb(), 100);
    volume.setVolume(-20000);
    EXPECT_EQ(volume.volume(), -10000);
    EXPECT_EQ(thumb(), 0);
}

TEST_F(VolumePopup, ThumbMovesSendTheMappedVolumeToTheOwner) {
    volume.showAt(100, 120, 200, 30);
    moveThumbTo(100);
    moveThumbTo(0);
    moveThumbTo(25);
    moveThumbTo(50);
    EXPECT_EQ(host.volumes, (std::vector<int>{0, -10000, -5000, -2929}));
    EXPECT_EQ(volume.volume(), -2929);
}

TEST_F(VolumePopup, ScrollFromAnotherWindowIsIgnored) {
    SendMessageW(volume.window(), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 10), reinterpret_cast<LPARAM>(host.window()));
    SendMessageW(volume.window(), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 10), 0);
    EXPECT_TRUE(host.volumes.empty());
    EXPECT_EQ(volume.volume(), 0);
}

TEST_F(VolumePopup, PageKeyStepsOnePositionAndReportsAtOnce) {
    volume.setVolume(-2929);
    volume.showAt(100, 120, 200, 30);
    SetFocus(volume.trackBarWindow());
    SendMessageW(volume.trackBarWindow(), WM_KEYDOWN, VK_NEXT, 0);
    const int moved = thumb();
    EXPECT_EQ(std::abs(moved - 50), 1);
    ASSERT_EQ(host.volumes.size(), 1u);
    EXPECT_EQ(host.volumes.back(), positionToVolume(moved));
}

TEST(VolumePopupActivation, LosingActivationHidesItAndItShowsAgainInPlace) {
    // Activation needs a shown owner to go back to.
    test::ControlHost host(true);
    VolumeBar volume(host.window());
    volume.showAt(100, 120, 200, 30);
    ASSERT_TRUE(test::waitUntil([&] { return GetActiveWindow() == volume.window(); }, 10000));
    SetActiveWindow(host.window());
    EXPECT_TRUE(test::waitUntil([&] { return !IsWindowVisible(volume.window()); }, 10000));
    volume.showAt(100, 120, 200, 30);
    expectShownAt(volume.window(), 100, 120, 200, 30);
}

}  // namespace
}  // namespace melodrift
