#pragma once

#include "base/com_ptr.h"
#include "playback/dshow_interfaces.h"
#include "playback/source_renderer.h"

#include <cstdint>
#include <string>

namespace melodrift {

enum PlayerState : int32_t { NotReady = 0, Stopped = 1, Running = 2 };

constexpr int64_t kMediaTimePerSecond = 10000000;

// One playing item with its own filter graph. Positions and durations are whole seconds;
// volume is in hundredths of a decibel, -10000 (silent) to 0 (full).
class Player {
public:
    Player(const SourceRenderer& renderer, const std::wstring& folderPath, const std::wstring& itemName,
           HWND notifyWindow, UINT graphEventMessage, UINT completionMessage);
    virtual ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    virtual bool play();
    // Also the pause of the main window: the position is kept.
    virtual bool stop();
    virtual int32_t state() const;
    virtual bool setVolume(int32_t volume);
    virtual int32_t volume() const;
    virtual int32_t seek(int32_t seconds);
    virtual int32_t position();
    virtual int32_t duration();
    // Drains the graph's event queue; posts the completion message for each EC_COMPLETE,
    // with this player's serial as its lParam.
    virtual int32_t handleGraphEvents();
    // Unique among the players of this process: a completion still queued when its player
    // is replaced names a player that no longer plays.
    uint32_t serial() const { return serial_; }

    const std::wstring& folderPath() const { return folderPath_; }
    const std::wstring& itemName() const { return itemName_; }

protected:
    IMediaSeeking* mediaSeeking() const { return mediaSeeking_.get(); }

private:
    void teardown();

    ComPtr<IGraphBuilder> graphBuilder_;
    ComPtr<IBasicAudio> basicAudio_;
    ComPtr<IMediaControl> mediaControl_;
    ComPtr<IMediaSeeking> mediaSeeking_;
    ComPtr<IMediaEventEx> mediaEvent_;
    int32_t state_ = NotReady;
    int32_t volume_ = 0;
    HWND notifyWindow_;
    UINT graphEventMessage_;
    UINT completionMessage_;
    std::wstring folderPath_;
    std::wstring itemName_;
    const uint32_t serial_;
};

}  // namespace melodrift
