#pragma once

#include "playback/player.h"

namespace melodrift {

// A track of the same audio file that may follow the one playing.
struct CueSpan {
    std::wstring name;
    int64_t start;
    int64_t stop;  // -1: up to the end of the file
};

// A track of a CUE sheet: a time range of one audio file, reported as an item of its own.
class PlayerOfCue : public Player {
public:
    // trackStop -1: up to the end of the file.
    PlayerOfCue(const SourceRenderer& audio, const std::wstring& folderPath, const std::wstring& itemName,
        int64_t trackStart, int64_t trackStop, HWND notifyWindow, UINT graphEventMessage, UINT completionMessage);

    int32_t seek(int32_t seconds) override;
    int32_t position() override;
    int32_t duration() override;

    // The tracks after this one in its audio file, in sheet order: a run goes on into them.
    void setFollowers(std::vector<CueSpan> followers);
    // The graph's stop moves to the end of the run; a running graph is seeked to where it
    // stands with it, as Wine's graph flushes on any change of positions while it runs.
    int32_t planRun(const std::vector<std::wstring>& nextNames) override;
    int32_t followRun(bool runEnded) override;
    int32_t itemsAhead() const override;

private:
    void setGraphStop(int64_t stop);

    int64_t trackStart_;
    int64_t trackStop_;
    std::vector<CueSpan> followers_;  // after the track reported
    size_t runLength_ = 0;            // followers the graph plays on into
    int64_t graphStop_;
};

}  // namespace melodrift
