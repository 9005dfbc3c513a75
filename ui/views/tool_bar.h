#pragma once

#include "base/unique_handle.h"
#include "ui/commands.h"
#include "ui/views/control.h"

#include <windows.h>
#include <commctrl.h>

namespace melodrift {

// The label of a repeat mode, on the button's tooltip and in its menu; RepeatNone's for
// any other value.
const wchar_t* repeatModeText(int mode);

// The playback buttons in the rebar's first band. What the buttons do belongs to the
// main window; this keeps their images, the repeat mode and the tooltip texts.
class ToolBar : public Control {
public:
    static constexpr int kButtonCount = 11;

    explicit ToolBar(HWND mainWindow);
    ~ToolBar();

    HWND toolTipWindow() const;

    // Whether the button baseId() + offset is checked; checks or clears it.
    bool isChecked(int offset) const;
    void setChecked(int offset, bool checked);
    // The bottom-left corner of a button in screen coordinates, where its menu opens.
    POINT buttonCorner(int commandId) const;
    // From the toolbar's left edge to the right edge of its last button, in pixels.
    int buttonsWidth() const;
    // From now on the toolbar's size is its rebar band's: a toolbar that sizes itself
    // to its parent would stretch across the rebar and cover the seek bar.
    void leaveSizeToBand();
    // Shows the repeat button's image for mode (0..2); other values change nothing.
    void setRepeatMode(int mode);
    int repeatMode() const { return repeatMode_; }
    int baseId() const { return baseId_; }

    // TTN_GETDISPINFOW from the toolbar's tooltip window; always 0.
    LRESULT onToolTip(NMTTDISPINFOW* info) const;

private:
    // TB_SETIMAGELIST; null detaches the list.
    void setImageList(HIMAGELIST images);

    int repeatMode_ = RepeatNone;
    int baseId_ = ID_PLAY;
    // The toolbar does not free an image list it is given.
    ImageListHandle images_;
};

}  // namespace melodrift
