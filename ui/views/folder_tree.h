#pragma once

#include "ui/views/control.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace melodrift {

// The left pane: drives, favourite folders and, below them, directories, archives and
// CUE sheets. The control holds every node's data; a node's path is the chain of its
// labels. Children are listed when a node expands and dropped when it collapses.
class FolderTree : public Control {
public:
    static constexpr int kControlId = 100;

    // Ids of the context menu's entries, as TrackPopupMenu returns them.
    enum ContextCommand : UINT {
        kMenuUp = 10,
        kMenuShowPlaying = 11,
        kMenuExplorer = 12,
        kMenuAddFavorite = 13,
        kMenuRemoveFavorite = 14,
        kMenuRefresh = 15,
    };
    // One line of the context menu; id 0 is a separator.
    struct MenuEntry {
        UINT id;
        std::wstring text;
        bool operator==(const MenuEntry& other) const { return id == other.id && text == other.text; }
    };
    // The node a context menu works on, and where its "up" leads.
    struct ContextTarget {
        HTREEITEM node = nullptr;
        HTREEITEM parent = nullptr;  // null for a root node
        std::wstring upPath;         // for a root node: its parent folder, empty at a drive root
    };

    explicit FolderTree(HWND mainWindow);

    // Shows the drives that exist, leaving out those whose bit (0 = A:) is set.
    void addDrives(DWORD hiddenMask);
    HTREEITEM insertNode(
        HTREEITEM parent, HTREEITEM insertAfter, const std::wstring& path, const std::wstring& label, bool favorite);

    // The selected node; null without one.
    HTREEITEM selectedNode() const { return nextItem(nullptr, TVGN_CARET); }
    // Shows the node's children, listing them first if need be.
    void expand(HTREEITEM node);
    std::wstring nodePath(HTREEITEM node) const;
    std::wstring nodeLabel(HTREEITEM node) const;
    bool isFavorite(HTREEITEM node) const;
    // The favourite root nodes, in their order in the tree.
    std::vector<HTREEITEM> favoriteNodes() const;

    // The answer to TVN_ITEMEXPANDINGW: nonzero refuses the change.
    LRESULT onItemExpanding(const NMTREEVIEWW& notification);
    // TVN_GETDISPINFOW: the icons of a listed node, looked up on first use. Returns 0.
    LRESULT onGetDispInfo(NMTVDISPINFOW& info) const;

    // Selects the node of exactly this path, expanding its ancestors; false when it is
    // not there (the deepest ancestor found is selected then).
    bool selectPath(const std::wstring& path);
    HTREEITEM findChild(HTREEITEM parent, const std::wstring& label) const;

    // Reads the drives again and drops every listing; the selected path is kept.
    void refresh();

    // WM_CONTEXTMENU sent for the tree: lParam is the screen position, or -1/-1 from
    // the keyboard (the menu then opens on the selected node). Returns 0.
    LRESULT onContextMenu(LPARAM position);
    ContextTarget contextTarget(HTREEITEM node) const;
    // Asks the main window whether something plays, for the "to the playing folder" entry.
    std::vector<MenuEntry> contextMenuEntries(const ContextTarget& target) const;
    void runContextCommand(UINT id, const ContextTarget& target);

    // Selects the parent node, or without one the node of upPath.
    void goUp(HTREEITEM parent, const std::wstring& upPath);
    // Adds the node's path as the last favourite; the selection stays.
    HTREEITEM addFavorite(HTREEITEM node);
    // Deletes a favourite root node with everything below it; other nodes are left.
    void removeFavorite(HTREEITEM node);

    // True while listChildren runs: expansions asked meanwhile are refused.
    bool listing() const { return (busyFlags_ & kListing) != 0; }
    // Lists the directory of a node as its children; returns how many were inserted.
    int listChildren(HTREEITEM node, bool& cancelled);
    bool isExpandedOrEmpty(HTREEITEM node) const;
    void setHasChildren(HTREEITEM node, bool has);
    void deleteChildren(HTREEITEM node);

private:
    enum : DWORD {
        kListing = 1,          // listChildren is running
        kCancelRequested = 2,  // another expansion arrived while it ran
        kListedNodeGone = 4,   // the nodes were rebuilt under it: its node may not exist
    };

    // A child found by listChildren; its icons come through onGetDispInfo.
    HTREEITEM insertListedNode(HTREEITEM parent, HTREEITEM insertAfter, const std::wstring& label, bool leaf);
    struct NodeIcons {
        int normal, open;  // system image list indexes, or I_IMAGECALLBACK
    };
    HTREEITEM insertItem(HTREEITEM parent, HTREEITEM insertAfter, const std::wstring& label, NodeIcons icons,
        bool expandable, LPARAM param);
    // Where to search for the children of a node whose path is given.
    std::wstring searchPath(HTREEITEM node, const std::wstring& path) const;
    HTREEITEM findOrExpand(const std::wstring& path);
    void selectNode(HTREEITEM node);
    HTREEITEM nextItem(HTREEITEM node, UINT relation) const;
    bool isWithin(HTREEITEM node, HTREEITEM ancestor) const;
    bool menuPosition(LPARAM position, HTREEITEM& node, POINT& at) const;
    bool labelRect(HTREEITEM node, RECT& rect) const;

    HWND parentWindow_;
    DWORD busyFlags_ = 0;
    HTREEITEM listedNode_ = nullptr;  // the node listChildren is filling
    DWORD hiddenDrives_ = 0;
};

}  // namespace melodrift
