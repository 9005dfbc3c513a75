#pragma once

#include "playback/player.h"

namespace melodrift {

// A track of a CUE sheet: a time range of one audio file, reported as an item of its own.
class PlayerOfCue : public Player {
public:
    // trackStop -1: up to the end of the file.
    PlayerOfCue(const SourceRenderer& audio, const std::wstring& folderPath, const std::wstring& itemName,
                int64_t trackStart, int64_t trackStop, HWND notifyWindow, UINT graphEventMessage,
                UINT completionMessage);

    int32_t seek(int32_t seconds) override;
    int32_t position() override;
    int32_t duration() override;

private:
    int64_t trackStart_;
    int64_t trackStop_;
};

}  // namespace melodrift
