#include "ui/views/folder_tree.h"

#include "library/folder.h"
#include "base/paths.h"
#include "ui/commands.h"
#include "ui/paced_pump.h"
#include "ui/views/explorer.h"
#include "ui/views/redraw_pause.h"
#include "ui/window_update_lock.h"

#include <shellapi.h>
#include <shlwapi.h>
#include <windowsx.h>

#include <algorithm>

namespace melodrift {

namespace {

constexpr DWORD kTreeStyle =
    WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_DISABLEDRAGDROP | TVS_SHOWSELALWAYS;
static_assert(kTreeStyle == 0x50000037, "the tree's style");

constexpr UINT kSmallIconIndex = SHGFI_SYSICONINDEX | SHGFI_SMALLICON;

// A label of MAX_PATH characters plus its terminator fits the first try.
constexpr size_t kFirstLabelBuffer = 269;

// The shell reads the path as written, so it fails for a name such as "R.E.M." or a
// favourite with "." parts; such a node gets the icon of its kind instead: a file's by
// its name, else a folder's (also for a favourite that is gone).
int systemIconIndex(const std::wstring& path, UINT flags) {
    SHFILEINFOW info{};
    if (SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, flags)) return info.iIcon;
    const DWORD found = GetFileAttributesW(literalPath(path).c_str());
    const DWORD attributes = found != INVALID_FILE_ATTRIBUTES && !(found & FILE_ATTRIBUTE_DIRECTORY)
                                 ? FILE_ATTRIBUTE_NORMAL
                                 : FILE_ATTRIBUTE_DIRECTORY;
    if (SHGetFileInfoW(path.c_str(), attributes, &info, sizeof info, flags | SHGFI_USEFILEATTRIBUTES))
        return info.iIcon;
    return 0;  // the list's first image
}

std::wstring withoutTrailingSeparator(std::wstring path) {
    while (path.size() > 1 && path.back() == L'\\' && !PathIsRootW(path.c_str())) path.pop_back();
    return path;
}

}  // namespace

FolderTree::FolderTree(HWND mainWindow)
    : Control(CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, nullptr, kTreeStyle, 0, 0, 0, 0, mainWindow,
          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlId)), GetModuleHandleW(nullptr), nullptr)),
      parentWindow_(mainWindow) {}

HTREEITEM FolderTree::nextItem(HTREEITEM node, UINT relation) const {
    return TreeView_GetNextItem(window(), node, relation);
}

void FolderTree::addDrives(DWORD hiddenMask) {
    hiddenDrives_ = hiddenMask;
    HTREEITEM insertAfter = TVI_FIRST;
    bool imageListTried = false;
    for (int letter = 0; letter < 26; ++letter) {
        const wchar_t root[] = {static_cast<wchar_t>(L'A' + letter), L':', L'\\', L'\0'};
        if (GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR) continue;
        if (!imageListTried) {
            imageListTried = true;
            SHFILEINFOW info{};
            const auto images = SHGetFileInfoW(root, 0, &info, sizeof info, kSmallIconIndex);
            if (images) TreeView_SetImageList(window(), reinterpret_cast<HIMAGELIST>(images), TVSIL_NORMAL);
        }
        if (hiddenMask & (1u << letter)) continue;
        // Drives stay ahead of the favourites, also when refresh adds them again.
        if (HTREEITEM node = insertNode(TVI_ROOT, insertAfter, root, root, false)) insertAfter = node;
    }
}

HTREEITEM FolderTree::insertNode(
    HTREEITEM parent, HTREEITEM insertAfter, const std::wstring& path, const std::wstring& label, bool favorite) {
    // Every node offers to expand until a listing finds it empty.
    return insertItem(parent, insertAfter, label,
        {systemIconIndex(path, kSmallIconIndex), systemIconIndex(path, kSmallIconIndex | SHGFI_OPENICON)}, true,
        favorite ? 1 : 0);
}

HTREEITEM FolderTree::insertListedNode(HTREEITEM parent, HTREEITEM insertAfter, const std::wstring& label, bool leaf) {
    // The icons are looked up when the control first needs them (onGetDispInfo): a
    // look-up reads the file system, and of thousands of children a few are ever shown.
    // Archives and sheets show their contents in the file list only.
    return insertItem(parent, insertAfter, label, {I_IMAGECALLBACK, I_IMAGECALLBACK}, !leaf, 0);
}

HTREEITEM FolderTree::insertItem(HTREEITEM parent, HTREEITEM insertAfter, const std::wstring& label, NodeIcons icons,
    bool expandable, LPARAM param) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = insertAfter;
    TVITEMW& item = insert.item;
    item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
    item.pszText = const_cast<wchar_t*>(label.c_str());
    item.iImage = icons.normal;
    item.iSelectedImage = icons.open;
    item.cChildren = expandable ? 1 : 0;
    item.lParam = param;
    return TreeView_InsertItem(window(), &insert);
}

LRESULT FolderTree::onGetDispInfo(NMTVDISPINFOW& info) const {
    TVITEMW& item = info.item;
    if (!(item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE))) return 0;
    const std::wstring path = nodePath(item.hItem);
    if (item.mask & TVIF_IMAGE) item.iImage = systemIconIndex(path, kSmallIconIndex);
    if (item.mask & TVIF_SELECTEDIMAGE) item.iSelectedImage = systemIconIndex(path, kSmallIconIndex | SHGFI_OPENICON);
    item.mask |= TVIF_DI_SETITEM;  // the control keeps them: each is looked up once
    return 0;
}

std::wstring FolderTree::nodeLabel(HTREEITEM node) const {
    // The control cuts the text to the buffer; a label that fills it may have been cut,
    // so ask again with room to spare.
    std::wstring buffer(kFirstLabelBuffer, L'\0');
    for (;;) {
        TVITEMW item{};
        item.mask = TVIF_TEXT;
        item.hItem = node;
        item.pszText = &buffer[0];
        item.cchTextMax = static_cast<int>(buffer.size());
        buffer[0] = L'\0';
        if (!TreeView_GetItem(window(), &item) || !item.pszText) return {};
        const size_t length = wcsnlen(item.pszText, buffer.size());
        if (length + 1 < buffer.size()) return std::wstring(item.pszText, length);
        buffer.assign(buffer.size() * 2, L'\0');
    }
}

std::wstring FolderTree::nodePath(HTREEITEM node) const {
    if (!node) return {};
    if (node == TVI_ROOT) return nodeLabel(node);
    std::vector<std::wstring> labels;  // from the node up to its root
    for (HTREEITEM n = node; n; n = nextItem(n, TVGN_PARENT)) labels.push_back(nodeLabel(n));
    std::wstring path = labels.back();
    for (auto label = labels.rbegin() + 1; label != labels.rend(); ++label) path = joinPath(path, *label);
    return path;
}

bool FolderTree::isFavorite(HTREEITEM node) const {
    TVITEMW item{};
    item.mask = TVIF_PARAM;
    item.hItem = node;
    return TreeView_GetItem(window(), &item) && (item.lParam & 1);
}

std::vector<HTREEITEM> FolderTree::favoriteNodes() const {
    std::vector<HTREEITEM> favorites;
    for (HTREEITEM n = nextItem(nullptr, TVGN_ROOT); n; n = nextItem(n, TVGN_NEXT))
        if (isFavorite(n)) favorites.push_back(n);
    return favorites;
}

LRESULT FolderTree::onItemExpanding(const NMTREEVIEWW& notification) {
    HTREEITEM node = notification.itemNew.hItem;
    if (busyFlags_ & kListing) {
        // Arrived from inside a listing's message pump: refuse it and stop that listing.
        busyFlags_ |= kCancelRequested;
        return 1;
    }
    if (notification.action & TVE_EXPAND) {
        bool cancelled = false;
        const int count = listChildren(node, cancelled);
        if (cancelled) return 1;
        if (count > 0) return 0;
        setHasChildren(node, false);
        return 1;
    }
    if ((notification.action & (TVE_COLLAPSE | TVE_COLLAPSERESET)) == TVE_COLLAPSE) {
        // Drop the children, so that the next expansion lists the directory afresh.
        TreeView_Expand(window(), node, TVE_COLLAPSE | TVE_COLLAPSERESET);
    }
    return 0;
}

int FolderTree::listChildren(HTREEITEM node, bool& cancelled) {
    const std::wstring path = nodePath(node);
    cancelled = false;
    busyFlags_ |= kListing;
    listedNode_ = node;
    // A handler run from the pump may throw; the tree must not stay busy for good.
    struct ClearBusy {
        DWORD& flags;
        HTREEITEM& listed;
        ~ClearBusy() {
            flags &= ~(kListing | kCancelRequested | kListedNodeGone);
            listed = nullptr;
        }
    } clearBusy{busyFlags_, listedNode_};

    int count = 0;
    HTREEITEM insertAfter = TVI_FIRST;
    WIN32_FIND_DATAW entry;
    FindHandle search(FindFirstFileW(joinPath(searchPath(node, path), L"*").c_str(), &entry));
    RedrawPause pause(window());
    if (search) {
        do {
            pumpMessagesWhenDue();
            if (busyFlags_ & kCancelRequested) {
                if (!(busyFlags_ & kListedNodeGone)) deleteChildren(node);
                cancelled = true;
                count = 0;
                break;
            }
            const std::wstring name = entry.cFileName;
            bool leaf = false;
            const FolderKind kind = folderKind(name, entry.dwFileAttributes);
            if (kind == FolderKind::None) continue;
            if (kind == FolderKind::Directory) {
                if (name == L"." || name == L"..") continue;
            } else {
                leaf = true;  // their contents show in the file list only
            }
            HTREEITEM child = insertListedNode(node, insertAfter, name, leaf);
            if (!child) continue;
            insertAfter = child;
            ++count;
        } while (FindNextFileW(search.get(), &entry));
    }
    search.reset();
    if (!cancelled) TreeView_SortChildren(window(), node, FALSE);
    return count;
}

std::wstring FolderTree::searchPath(HTREEITEM node, const std::wstring& path) const {
    // The root's label came from the drive list or the settings and may want
    // normalising; below it are names exactly as the directories hold them.
    HTREEITEM top = node;
    while (HTREEITEM up = nextItem(top, TVGN_PARENT)) top = up;
    const std::wstring rootLabel = nodeLabel(top);
    std::wstring rootPath = fullPath(rootLabel);
    std::wstring below = path.substr(std::min(rootLabel.size(), path.size()));
    if (!below.empty() && below.front() == L'\\' && !rootPath.empty() && rootPath.back() == L'\\') below.erase(0, 1);
    return literalPath(rootPath + below);
}

void FolderTree::expand(HTREEITEM node) { TreeView_Expand(window(), node, TVE_EXPAND); }

bool FolderTree::selectPath(const std::wstring& path) {
    const WindowUpdateLock lock(window());
    // A favourite keeps its label as written, separator and all; otherwise "C:\Music\"
    // names the same folder as "C:\Music", whose label has no separator.
    const std::wstring full = fullPath(path);
    HTREEITEM node = findChild(TVI_ROOT, full);
    if (!node) node = findOrExpand(withoutTrailingSeparator(full));
    if (node) {
        TreeView_EnsureVisible(window(), node);
        selectNode(node);
    }
    return node != nullptr;
}

void FolderTree::selectNode(HTREEITEM node) {
    // Deselecting first makes the control report the selection even when it does not
    // change, so the file list is always read again.
    TreeView_SelectItem(window(), nullptr);
    TreeView_SelectItem(window(), node);
}

HTREEITEM FolderTree::findOrExpand(const std::wstring& path) {
    // Root labels are whole paths, and drives come first: a drive root finds its drive.
    if (HTREEITEM root = findChild(TVI_ROOT, path)) return root;
    const std::wstring parentPath = parentDirectory(path);
    if (parentPath.empty()) return nullptr;
    HTREEITEM parent = findOrExpand(parentPath);
    if (!parent) return nullptr;
    const std::wstring name = pathFileName(path);
    if (isExpandedOrEmpty(parent)) {
        if (HTREEITEM child = findChild(parent, name)) return child;
        // The listing is stale: throw it away and list again.
        TreeView_Expand(window(), parent, TVE_COLLAPSE | TVE_COLLAPSERESET);
        setHasChildren(parent, true);
    }
    TreeView_Expand(window(), parent, TVE_EXPAND);
    HTREEITEM child = findChild(parent, name);
    if (!child) {
        TreeView_EnsureVisible(window(), parent);
        selectNode(parent);
    }
    return child;
}

bool FolderTree::isExpandedOrEmpty(HTREEITEM node) const {
    TVITEMW item{};
    item.mask = TVIF_STATE | TVIF_CHILDREN;
    item.stateMask = TVIS_EXPANDED;
    item.hItem = node;
    TreeView_GetItem(window(), &item);
    return (item.state & TVIS_EXPANDED) || item.cChildren == 0;
}

HTREEITEM FolderTree::findChild(HTREEITEM parent, const std::wstring& label) const {
    if (label.empty()) return nullptr;
    for (HTREEITEM n = nextItem(parent, TVGN_CHILD); n; n = nextItem(n, TVGN_NEXT))
        if (lstrcmpiW(nodeLabel(n).c_str(), label.c_str()) == 0) return n;
    return nullptr;
}

void FolderTree::setHasChildren(HTREEITEM node, bool has) {
    TVITEMW item{};
    item.mask = TVIF_CHILDREN;
    item.hItem = node;
    item.cChildren = has ? 1 : 0;
    TreeView_SetItem(window(), &item);
}

void FolderTree::deleteChildren(HTREEITEM node) {
    HTREEITEM child = nextItem(node, TVGN_CHILD);
    while (child) {
        HTREEITEM next = nextItem(child, TVGN_NEXT);
        TreeView_DeleteItem(window(), child);
        child = next;
    }
}

void FolderTree::refresh() {
    const WindowUpdateLock lock(parentWindow_);
    const std::wstring selected = nodePath(nextItem(nullptr, TVGN_CARET));
    // Run from a listing's message pump, this removes or empties the listed node:
    // that listing must stop and leave the node alone.
    if (busyFlags_ & kListing) busyFlags_ |= kCancelRequested | kListedNodeGone;
    HTREEITEM root = nextItem(nullptr, TVGN_ROOT);
    while (root) {
        HTREEITEM next = nextItem(root, TVGN_NEXT);
        if (isFavorite(root)) {
            TreeView_Expand(window(), root, TVE_COLLAPSE | TVE_COLLAPSERESET);
            // One found empty before may hold something now: it offers to expand again.
            setHasChildren(root, true);
        } else {
            TreeView_DeleteItem(window(), root);
        }
        root = next;
    }
    addDrives(hiddenDrives_);
    selectPath(selected);
}

// The context menu and the favourites.

LRESULT FolderTree::onContextMenu(LPARAM position) {
    HTREEITEM node = nullptr;
    POINT at{};
    if (!menuPosition(position, node, at)) return 0;
    // A right click selects its node too, so the file list shows that folder.
    TreeView_SelectItem(window(), node);
    const ContextTarget target = contextTarget(node);

    const MenuHandle menu(CreatePopupMenu());
    if (!menu) return 0;
    for (const MenuEntry& entry : contextMenuEntries(target))
        AppendMenuW(menu.get(), entry.id ? MF_STRING : MF_SEPARATOR, entry.id, entry.id ? entry.text.c_str() : nullptr);
    const UINT chosen =
        static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, window(), nullptr));
    runContextCommand(chosen, target);
    return 0;
}

bool FolderTree::menuPosition(LPARAM position, HTREEITEM& node, POINT& at) const {
    const int x = GET_X_LPARAM(position);
    const int y = GET_Y_LPARAM(position);
    if (x == -1 && y == -1) {
        // From the keyboard: the centre of the selected node's label.
        node = nextItem(nullptr, TVGN_CARET);
        if (!node) return false;
        RECT text{};
        if (!labelRect(node, text)) {
            // Scrolled out of sight, the label has no rectangle until it is shown.
            TreeView_EnsureVisible(window(), node);
            if (!labelRect(node, text)) text = RECT{};
        }
        // The rectangle is in client coordinates, which start inside the border.
        at = {(text.left + text.right) / 2, (text.top + text.bottom) / 2};
        ClientToScreen(window(), &at);
        return true;
    }
    at = {x, y};
    TVHITTESTINFO hit{};
    hit.pt = at;
    ScreenToClient(window(), &hit.pt);
    node = TreeView_HitTest(window(), &hit);
    return node != nullptr;
}

bool FolderTree::labelRect(HTREEITEM node, RECT& rect) const {
    return TreeView_GetItemRect(window(), node, &rect, TRUE) != FALSE;
}

FolderTree::ContextTarget FolderTree::contextTarget(HTREEITEM node) const {
    ContextTarget target;
    target.node = node;
    target.parent = nextItem(node, TVGN_PARENT);
    if (!target.parent) {
        // A favourite may be written with a trailing separator or "." parts; its parent
        // is that of the folder it names.
        target.upPath = parentDirectory(withoutTrailingSeparator(fullPath(nodePath(node))));
    }
    return target;
}

std::vector<FolderTree::MenuEntry> FolderTree::contextMenuEntries(const ContextTarget& target) const {
    std::vector<MenuEntry> entries;
    const bool up = target.parent || !target.upPath.empty();
    const bool playing = SendMessageW(parentWindow_, MSG_IS_PLAYING, 0, 0) != 0;
    if (up) entries.push_back({kMenuUp, L"上へ"});
    if (playing) entries.push_back({kMenuShowPlaying, L"演奏中のフォルダへ"});
    if (up || playing) entries.push_back({0, {}});
    entries.push_back({kMenuExplorer, L"エクスプローラを開く"});
    entries.push_back({0, {}});
    if (isFavorite(target.node))
        entries.push_back({kMenuRemoveFavorite, L"お気に入りから削除"});
    else
        entries.push_back({kMenuAddFavorite, L"お気に入りに追加"});
    entries.push_back({0, {}});
    entries.push_back({kMenuRefresh, L"最新の情報に更新"});
    return entries;
}

void FolderTree::runContextCommand(UINT id, const ContextTarget& target) {
    switch (id) {
    case kMenuUp: goUp(target.parent, target.upPath); break;
    case kMenuShowPlaying: SendMessageW(parentWindow_, MSG_SHOW_PLAYING, 0, 0); break;
    case kMenuExplorer: openInExplorer(nodePath(target.node)); break;
    case kMenuAddFavorite: addFavorite(target.node); break;
    case kMenuRemoveFavorite: removeFavorite(target.node); break;
    case kMenuRefresh: refresh(); break;
    default: break;  // the menu was dismissed
    }
}

void FolderTree::goUp(HTREEITEM parent, const std::wstring& upPath) {
    if (parent) {
        TreeView_SelectItem(window(), parent);
        TreeView_EnsureVisible(window(), parent);
    } else if (!upPath.empty()) {
        selectPath(upPath);
    }
}

HTREEITEM FolderTree::addFavorite(HTREEITEM node) {
    const std::wstring path = nodePath(node);
    if (path.empty()) return nullptr;
    return insertNode(TVI_ROOT, TVI_LAST, path, path, true);
}

void FolderTree::removeFavorite(HTREEITEM node) {
    if (!node || nextItem(node, TVGN_PARENT) || !isFavorite(node)) return;
    // Run from a listing's message pump, this may take away the node being listed:
    // that listing must stop and leave it alone. A listing elsewhere goes on.
    if ((busyFlags_ & kListing) && listedNode_ && isWithin(listedNode_, node))
        busyFlags_ |= kCancelRequested | kListedNodeGone;
    TreeView_DeleteItem(window(), node);
}

bool FolderTree::isWithin(HTREEITEM node, HTREEITEM ancestor) const {
    for (HTREEITEM n = node; n; n = nextItem(n, TVGN_PARENT))
        if (n == ancestor) return true;
    return false;
}

}  // namespace melodrift
