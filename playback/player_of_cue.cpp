#include "playback/player_of_cue.h"

#include <utility>

namespace melodrift {

PlayerOfCue::PlayerOfCue(const SourceRenderer& audio, const std::wstring& folderPath, const std::wstring& itemName,
    int64_t trackStart, int64_t trackStop, HWND notifyWindow, UINT graphEventMessage, UINT completionMessage)
    : Player(audio, folderPath, itemName, notifyWindow, graphEventMessage, completionMessage),
      trackStart_(trackStart < 0 ? 0 : trackStart),
      // A stop before the start is no range: such a track runs to its file's end.
      trackStop_(trackStop < trackStart_ ? -1 : trackStop),
      graphStop_(-1) {
    // The graph covers the whole audio file; the track's range is set on it here.
    if (state() == NotReady) return;
    if (trackStop_ == -1) mediaSeeking()->GetDuration(&trackStop_);
    // The graph itself stops at the track's end and reports EC_COMPLETE there.
    LONGLONG start = trackStart_;
    LONGLONG stop = trackStop_;
    // A file that ends before the track begins gives no stop: the graph never gets one before the start.
    const DWORD stopFlags = trackStop_ < trackStart_ ? AM_SEEKING_NoPositioning : AM_SEEKING_AbsolutePositioning;
    // A graph that refuses the positions plays the whole file, as it would without them.
    (void)mediaSeeking()->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop, stopFlags);
    if (stopFlags == AM_SEEKING_AbsolutePositioning) graphStop_ = trackStop_;
}

int32_t PlayerOfCue::seek(int32_t seconds) {
    if (state() == NotReady) return 0;
    LONGLONG current = seconds * kMediaTimePerSecond + trackStart_;
    // A refused seek leaves the position where it was, which the caller reads back.
    (void)mediaSeeking()->SetPositions(&current, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    return position();
}

int32_t PlayerOfCue::position() {
    if (state() == NotReady) return 0;
    LONGLONG current = trackStart_;
    (void)mediaSeeking()->GetCurrentPosition(&current);  // unknown: the track's start
    // A file that ends before the track begins stands at its end, before the start:
    // the track has not begun, it is not seconds before it.
    if (current < trackStart_) return 0;
    return static_cast<int32_t>((current - trackStart_) / kMediaTimePerSecond);
}

int32_t PlayerOfCue::duration() {
    if (state() == NotReady) return 0;
    // Nor has a stop that could not be learnt (-1) or lies before the start.
    if (trackStop_ < trackStart_) return 0;
    return static_cast<int32_t>((trackStop_ - trackStart_) / kMediaTimePerSecond);
}

void PlayerOfCue::setFollowers(std::vector<CueSpan> followers) {
    followers_ = std::move(followers);
    runLength_ = 0;
    LONGLONG length = -1;
    // The last track of a file ends with it; one whose end cannot be learnt ends no run.
    if (state() != NotReady) (void)mediaSeeking()->GetDuration(&length);
    for (CueSpan& follower : followers_)
        if (follower.stop < 0) follower.stop = length;
}

int32_t PlayerOfCue::planRun(const std::vector<std::wstring>& nextNames) {
    if (state() == NotReady || trackStop_ < trackStart_) return 0;
    size_t length = 0;
    int64_t end = trackStop_;
    while (length < followers_.size() && length < nextNames.size() && nextNames[length] == followers_[length].name &&
           followers_[length].start == end && followers_[length].stop > end)
        end = followers_[length++].stop;
    runLength_ = length;
    if (end != graphStop_) setGraphStop(end);
    return int32_t(runLength_);
}

void PlayerOfCue::setGraphStop(int64_t stop) {
    LONGLONG current = trackStart_;
    // Unknown: the track's start, where a graph not yet run stands.
    (void)mediaSeeking()->GetCurrentPosition(&current);
    LONGLONG end = stop;
    if (SUCCEEDED(mediaSeeking()->SetPositions(
            &current, AM_SEEKING_AbsolutePositioning, &end, AM_SEEKING_AbsolutePositioning)))
        graphStop_ = stop;
}

int32_t PlayerOfCue::followRun(bool runEnded) {
    if (state() == NotReady || runLength_ == 0) return 0;
    LONGLONG current = trackStart_;
    if (!runEnded) (void)mediaSeeking()->GetCurrentPosition(&current);  // unknown: still in the track
    int32_t moved = 0;
    while (runLength_ > 0 && (runEnded || current >= trackStop_)) {
        trackStart_ = followers_.front().start;
        trackStop_ = followers_.front().stop;
        setItemName(followers_.front().name);
        followers_.erase(followers_.begin());
        --runLength_;
        ++moved;
    }
    return moved;
}

int32_t PlayerOfCue::itemsAhead() const { return int32_t(runLength_); }

}  // namespace melodrift
