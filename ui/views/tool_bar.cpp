#include "ui/views/tool_bar.h"

#include "res/resource_ids.h"
#include "ui/window_update_lock.h"
namespace melodrift {

namespace {

constexpr int kImageSize = 16;
constexpr int kSeparatorWidth = 8;
constexpr int kFirstRepeatImage = 6;
constexpr COLORREF kMaskColour = RGB(0, 255, 0);

TBBUTTON button(int image, int id, BYTE style = TBSTYLE_BUTTON) {
    TBBUTTON b{};
    b.iBitmap = image;
    b.idCommand = id;
    b.fsState = TBSTATE_ENABLED;
    b.fsStyle = style;
    return b;
}

TBBUTTON separator() {
    TBBUTTON b{};
    b.iBitmap = kSeparatorWidth;
    b.fsStyle = TBSTYLE_SEP;
    return b;
}

}  // namespace

const wchar_t* repeatModeText(int mode) {
    switch (mode) {
    case RepeatList: return L"リピート（リスト）";
    case RepeatSingle: return L"リピート（単曲）";
    default: return L"リピートなし";
    }
}

ToolBar::ToolBar(HWND mainWindow)
    : Control(CreateWindowExW(WS_EX_TOOLWINDOW, TOOLBARCLASSNAMEW, nullptr,
          WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NOPARENTALIGN, 0, 0, 0, 0, mainWindow, nullptr,
          GetModuleHandleW(nullptr), nullptr)) {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    SendMessageW(window(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);

    images_.reset(ImageList_Create(kImageSize, kImageSize, ILC_COLOR32 | ILC_MASK, 0, kButtonCount));
    const GdiObject strip(LoadBitmapW(module, MAKEINTRESOURCEW(IDB_TOOLBAR)));
    if (strip) ImageList_AddMasked(images_.get(), static_cast<HBITMAP>(strip.get()), kMaskColour);
    SendMessageW(window(), TB_SETBITMAPSIZE, 0, MAKELPARAM(kImageSize, kImageSize));
    setImageList(images_.get());

    TBBUTTON buttons[kButtonCount] = {
        button(0, ID_PLAY),
        button(1, ID_PAUSE, TBSTYLE_CHECK),
        button(2, ID_STOP),
        button(3, ID_PREV),
        button(4, ID_NEXT),
        separator(),
        button(5, ID_RANDOM, TBSTYLE_CHECK),
        button(kFirstRepeatImage + repeatMode_, ID_REPEAT),
        button(9, ID_VOLUME),
        separator(),
        button(10, ID_FAVORITES),
    };
    SendMessageW(window(), TB_ADDBUTTONSW, kButtonCount, reinterpret_cast<LPARAM>(buttons));
    SendMessageW(window(), TB_AUTOSIZE, 0, 0);
}

ToolBar::~ToolBar() {
    // The control normally dies first, with the main window; otherwise detach the
    // list before freeing it so that the toolbar never draws from a freed list.
    if (IsWindow(window())) setImageList(nullptr);
}

void ToolBar::setImageList(HIMAGELIST images) {
    SendMessageW(window(), TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
}

HWND ToolBar::toolTipWindow() const { return reinterpret_cast<HWND>(SendMessageW(window(), TB_GETTOOLTIPS, 0, 0)); }

bool ToolBar::isChecked(int offset) const {
    return SendMessageW(window(), TB_ISBUTTONCHECKED, baseId_ + offset, 0) != 0;
}

void ToolBar::setChecked(int offset, bool checked) {
    SendMessageW(window(), TB_CHECKBUTTON, baseId_ + offset, MAKELPARAM(checked ? TRUE : FALSE, 0));
}

POINT ToolBar::buttonCorner(int commandId) const {
    RECT button{};
    SendMessageW(window(), TB_GETRECT, commandId, reinterpret_cast<LPARAM>(&button));
    POINT corner{button.left, button.bottom};
    ClientToScreen(window(), &corner);
    return corner;
}

int ToolBar::buttonsWidth() const {
    RECT button{}, bar{};
    SendMessageW(window(), TB_GETITEMRECT, kButtonCount - 1, reinterpret_cast<LPARAM>(&button));
    POINT corner{button.right, button.bottom};
    ClientToScreen(window(), &corner);
    GetWindowRect(window(), &bar);
    return corner.x - bar.left;
}

void ToolBar::leaveSizeToBand() {
    SetWindowLongPtrW(window(), GWL_STYLE, GetWindowLongPtrW(window(), GWL_STYLE) | CCS_NORESIZE);
}

void ToolBar::setRepeatMode(int mode) {
    if (mode < RepeatNone || mode > RepeatSingle) return;
    repeatMode_ = mode;
    const WindowUpdateLock lock(window());
    SendMessageW(window(), TB_CHANGEBITMAP, ID_REPEAT, MAKELPARAM(kFirstRepeatImage + mode, 0));
    SendMessageW(window(), TB_SETHOTITEM, static_cast<WPARAM>(-1), 0);
}

LRESULT ToolBar::onToolTip(NMTTDISPINFOW* info) const {
    info->hinst = nullptr;
    info->uFlags = 0;
    const wchar_t* text = L"";
    switch (static_cast<int>(info->hdr.idFrom) - baseId_ + ID_PLAY) {
    case ID_PLAY: text = L"再生"; break;
    case ID_PAUSE: text = isChecked(ID_PAUSE - ID_PLAY) ? L"再開" : L"一時停止"; break;
    case ID_STOP: text = L"停止"; break;
    case ID_PREV: text = L"前の曲"; break;
    case ID_NEXT: text = L"次の曲"; break;
    case ID_RANDOM: text = L"ランダム"; break;
    case ID_REPEAT: text = repeatModeText(repeatMode_); break;
    case ID_VOLUME: text = L"音量"; break;
    case ID_FAVORITES: text = L"お気に入り"; break;
    default: break;
    }
    lstrcpynW(info->szText, text, ARRAYSIZE(info->szText));
    // The control may have pointed lpszText elsewhere; the text is in szText.
    info->lpszText = info->szText;
    return 0;
}

}  // namespace melodrift
