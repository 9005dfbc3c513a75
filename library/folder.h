#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace melodrift {

class Player;

// Runs the thread's pending messages while a long listing goes on, so that the window
// stays alive; handed in by the window layer. Null: nothing is drained.
using MessageDrain = void (*)();

// One playable item of a folder, as the file list shows it.
struct FolderItem {
    static constexpr uint64_t kNoSize = ~uint64_t(0);

    std::wstring name;  // the key createPlayer takes back
    std::wstring type;  // extension without the dot; "cue" for sheet tracks
    uint64_t size = kNoSize;
    FILETIME modified{};  // zero: no time
};

// The model behind a selected tree node: a directory, a CUE sheet or an archive.
class Folder {
public:
    virtual ~Folder() = default;

    // Fills out with the next item matching patterns. keepGoing is the caller's flag;
    // a folder that pumps messages stops as soon as it reads it false.
    virtual bool nextItem(const std::vector<std::wstring>& patterns, FolderItem& out, const bool& keepGoing) = 0;
    virtual void rewind() = 0;
    virtual const std::wstring& path() const = 0;
    // Empty when the folder has no item of that name.
    virtual std::shared_ptr<Player> createPlayer(
        const std::wstring& itemName, HWND notifyWindow, UINT graphEventMessage, UINT completionMessage) = 0;
};

// What a path opens as. The directory bit of attributes decides first (so
// INVALID_FILE_ATTRIBUTES, which has every bit, counts as a directory); then the name.
enum class FolderKind { None, Directory, Archive, CueSheet };
FolderKind folderKind(const std::wstring& path, DWORD attributes);

// A directory, archive or CUE sheet as a folder; empty for anything else. A directory
// drains messages through drain while it lists. playable (the patterns of playable files)
// finds the file a sheet names under another extension when the named one is not there.
std::shared_ptr<Folder> openFolder(
    const std::wstring& path, MessageDrain drain, const std::vector<std::wstring>& playable = {});

}  // namespace melodrift
