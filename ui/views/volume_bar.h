#pragma once

#include "ui/views/track_bar.h"
#include "ui/window.h"

#include <memory>

namespace melodrift {

// floor(sqrt(a)) for the whole unsigned 32-bit range.
unsigned integerSqrt(unsigned a);

// The volume pop-up's trackbar runs 0..100 over the volume's -10000..0 (hundredths
// of a decibel) along a square law, so that the low positions are not all silence.
int volumeToPosition(int volume);    // volume clamped to -10000..0 first
int positionToVolume(int position);  // position clamped to 0..100 first

// A borderless pop-up holding the volume trackbar. It tells its owner every move of
// the thumb with MSG_SET_VOLUME and hides itself when it loses activation.
class VolumeBar : public Window {
public:
    static constexpr int kMinVolume = -10000;
    static constexpr int kMaxVolume = 0;
    static constexpr int kMaxPosition = 100;

    explicit VolumeBar(HWND mainWindow);
    ~VolumeBar() override;

    HWND trackBarWindow() const { return inner_ ? inner_->window() : nullptr; }

    // Shows the pop-up topmost and active at the given screen rectangle, the thumb
    // at the stored volume.
    void showAt(int x, int y, int width, int height);
    int volume() const { return volume_; }
    // The saved volume at start-up: clamped, kept and shown by the thumb.
    void setVolume(int volume);

    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void createTrackBar();

    std::unique_ptr<TrackBar> inner_;
    HWND ownerWindow_ = nullptr;
    UINT notifyMessage_;
    int volume_ = kMaxVolume;
};

}  // namespace melodrift
