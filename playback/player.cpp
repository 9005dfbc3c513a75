#include "playback/player.h"

#include <evcode.h>
#include <uuids.h>

#include <atomic>

namespace melodrift {

namespace {
std::atomic<uint32_t> lastSerial{0};
}  // namespace

Player::Player(const SourceRenderer& renderer, const std::wstring& folderPath, const std::wstring& itemName,
    HWND notifyWindow, UINT graphEventMessage, UINT completionMessage)
    : notifyWindow_(notifyWindow),
      graphEventMessage_(graphEventMessage),
      completionMessage_(completionMessage),
      folderPath_(folderPath),
      itemName_(itemName),
      serial_(++lastSerial) {
    // The first failing step leaves the player NotReady; what was obtained is kept
    // until destruction.
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
        IID_IGraphBuilder, graphBuilder_.putVoid());
    if (FAILED(hr)) return;
    if (FAILED(graphBuilder_.queryInto(basicAudio_)) || FAILED(graphBuilder_.queryInto(mediaControl_)) ||
        FAILED(graphBuilder_.queryInto(mediaSeeking_)) || FAILED(graphBuilder_.queryInto(mediaEvent_)))
        return;
    hr = mediaEvent_->SetNotifyWindow(reinterpret_cast<OAHWND>(notifyWindow_), graphEventMessage_, LONG_PTR(serial_));
    if (FAILED(hr)) return;
    if (FAILED(renderer.render(graphBuilder_.get()))) return;
    state_ = Stopped;
}

Player::~Player() { teardown(); }

void Player::teardown() {
    stop();
    // A cued graph counts as stopped but is paused; it must not be released so.
    if (cued_ && state_ == Stopped) (void)mediaControl_->Stop();  // released next, whatever it says
    state_ = NotReady;
    // The graph's threads may still announce events; once the window is detached they
    // cannot post a message that names this player after it is gone.
    if (mediaEvent_) mediaEvent_->SetNotifyWindow(0, 0, 0);
    // Events already announced are handled while the interfaces still live; a
    // completion among them still reaches the window.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, graphEventMessage_, graphEventMessage_, PM_REMOVE)) DispatchMessageW(&msg);
    mediaEvent_.reset();
    mediaControl_.reset();
    basicAudio_.reset();
    mediaSeeking_.reset();
    graphBuilder_.reset();
}

bool Player::play() {
    if (state_ == Running) return true;
    if (state_ != Stopped) return false;
    if (FAILED(mediaControl_->Run())) return false;
    state_ = Running;
    cued_ = false;
    return true;
}

bool Player::stop() {
    if (state_ == Stopped) return true;
    if (state_ != Running) return false;
    // Stop serves as pause, so the position must survive it. Wine's graph forgets where
    // it was on Stop and would start over at the last seek; seeking to the position it
    // had keeps the place on every platform.
    LONGLONG current = 0;
    const bool knowsPosition = SUCCEEDED(mediaSeeking_->GetCurrentPosition(&current));
    if (FAILED(mediaControl_->Stop())) return false;
    // A refused seek only loses the place, as Wine's graph would anyway.
    if (knowsPosition)
        (void)mediaSeeking_->SetPositions(&current, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    state_ = Stopped;
    return true;
}

bool Player::cue() {
    if (state_ != Stopped) return state_ == Running;
    if (FAILED(mediaControl_->Pause())) return false;
    cued_ = true;
    return true;
}

int32_t Player::planRun(const std::vector<std::wstring>&) { return 0; }

int32_t Player::followRun(bool) { return 0; }

int32_t Player::itemsAhead() const { return 0; }

int32_t Player::state() const { return state_; }

bool Player::setVolume(int32_t volume) {
    if (state_ == NotReady) return false;
    if (volume < -10000) volume = -10000;
    if (volume > 0) volume = 0;
    volume_ = volume;
    if (!basicAudio_) return true;
    return SUCCEEDED(basicAudio_->put_Volume(volume));
}

int32_t Player::volume() const { return volume_; }

int32_t Player::seek(int32_t seconds) {
    if (state_ == NotReady) return 0;
    LONGLONG current = seconds * kMediaTimePerSecond;
    // A refused seek leaves the position where it was, which the caller reads back.
    (void)mediaSeeking_->SetPositions(&current, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    return position();
}

int32_t Player::position() {
    if (state_ == NotReady) return 0;
    LONGLONG current = 0;
    // An unknown position stays at 0, the start.
    (void)mediaSeeking_->GetCurrentPosition(&current);
    return static_cast<int32_t>(current / kMediaTimePerSecond);
}

int32_t Player::duration() {
    if (state_ == NotReady) return 0;
    LONGLONG length = 0;
    // An unknown length stays at 0, as for a stream that cannot be measured.
    (void)mediaSeeking_->GetDuration(&length);
    return static_cast<int32_t>(length / kMediaTimePerSecond);
}

int32_t Player::handleGraphEvents() {
    if (!mediaEvent_) return 0;
    long code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    while (SUCCEEDED(mediaEvent_->GetEvent(&code, &param1, &param2, 0))) {
        if (code == EC_COMPLETE) PostMessageW(notifyWindow_, completionMessage_, 0, LPARAM(serial_));
        (void)mediaEvent_->FreeEventParams(code, param1, param2);  // nothing to do if it fails
    }
    return 0;
}

}  // namespace melodrift
