#pragma once

#include "base/com_ptr.h"
#include "playback/dshow_interfaces.h"
#include "playback/source_renderer.h"

#include <cstdint>
#include <string>
#include <vector>

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
    // Builds up what playing needs (the graph is paused, its renderer filled) so that a later
    // play costs no more than the renderer's start.
    bool cue();

    // A player that goes on into the items that follow it in the same source without a break
    // (tracks of one audio file) plays on through those of nextNames, taken in order, that
    // continue it. Returns how many it will play on into.
    virtual int32_t planRun(const std::vector<std::wstring>& nextNames);
    // Moves the item reported (name, position, duration, seek) to the one playback has reached
    // in the planned run; runEnded: the run's last, as after its completion. Returns by how many.
    virtual int32_t followRun(bool runEnded);
    // Items of the planned run not yet reached.
    virtual int32_t itemsAhead() const;
    // Unique among the players of this process: a completion still queued when its player
    // is replaced names a player that no longer plays.
    uint32_t serial() const { return serial_; }

    const std::wstring& folderPath() const { return folderPath_; }
    const std::wstring& itemName() const { return itemName_; }

protected:
    IMediaSeeking* mediaSeeking() const { return mediaSeeking_.get(); }
    void setItemName(const std::wstring& itemName) { itemName_ = itemName; }

private:
    void teardown();

    ComPtr<IGraphBuilder> graphBuilder_;
    ComPtr<IBasicAudio> basicAudio_;
    ComPtr<IMediaControl> mediaControl_;
    ComPtr<IMediaSeeking> mediaSeeking_;
    ComPtr<IMediaEventEx> mediaEvent_;
    int32_t state_ = NotReady;
    bool cued_ = false;  // paused while Stopped: the graph must still be stopped
    int32_t volume_ = 0;
    HWND notifyWindow_;
    UINT graphEventMessage_;
    UINT completionMessage_;
    std::wstring folderPath_;
    std::wstring itemName_;
    const uint32_t serial_;
};

}  // namespace melodrift
