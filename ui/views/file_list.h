#pragma once

#include "ui/views/control.h"
#include "ui/views/xor_shift.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

namespace melodrift {

class Folder;
struct FolderItem;

// The right pane: a report-mode list view of a folder's playable items (name, size,
// type, time), which is also the play list. Rows keep only their texts.
class FileList : public Control {
public:
    static constexpr int kControlId = 200;

    // Lists the items whose names match one of patterns (PathMatchSpecW patterns).
    FileList(HWND mainWindow, std::vector<std::wstring> patterns);

    // Replaces every row with the folder's items, then orders them. The folder may
    // pump messages, so a fill can start inside another; the last one wins.
    void fill(const std::shared_ptr<Folder>& folder);

    // Column 0 of the row, whatever its length; empty for a bad index.
    std::wstring itemText(int row) const;
    // The selected row, preferring the selection mark; -1 when nothing is selected.
    int currentIndex() const;
    // Selects, focuses and scrolls to the row; nothing for a negative index.
    void selectIndex(int row);
    // Selects the first row named so, regardless of letter case.
    bool selectName(const std::wstring& name);
    int itemCount() const;
    void columnWidths(int out[4]) const;
    void setColumnWidths(const int widths[4]);
    // By the chosen column and direction, or a fresh shuffle in random order. Asked while
    // a fill runs (a click from its pump), it is done once the fill's last row is in.
    void sortRows();
    // LVN_COLUMNCLICK: the same column again turns the direction round.
    LRESULT onColumnClick(const NMLISTVIEW& nm);

    // True while fill runs; whoever drops the folder in the middle calls stopFilling,
    // which stops the listing.
    bool filling() const { return filling_; }
    void stopFilling() { filling_ = false; }
    // Rows in a shuffled order rather than by column, from the next sortRows on.
    bool randomOrder() const { return randomOrder_; }
    void setRandomOrder(bool random) { randomOrder_ = random; }
    // Draws the next shuffle's order now and gives the row it will put first, so that the first item of a random
    // pass can be made ready before the pass starts. The draw holds until the rows are sorted or filled again.
    int drawNextShuffle();

private:
    void insertColumns();
    // Returns the row's text in the sort column.
    std::wstring addRow(int row, const FolderItem& item);
    // Row indexes in the order of their texts by the chosen column and direction.
    std::vector<int> orderOf(const std::vector<std::wstring>& texts) const;
    void sortByColumn();
    void sortFilledRows(const std::vector<std::wstring>& sortTexts);
    void shuffleRows();
    void setRowKey(int row, LPARAM key);

    std::vector<std::wstring> patterns_;
    bool filling_ = false;
    bool sortAsked_ = false;  // sortRows was called during the running fill
    bool randomOrder_ = false;
    int nextShuffleFirst_ = -1;  // the row the drawn shuffle puts first; -1 while none is drawn
    int sortColumn_ = 0;
    bool ascending_ = true;
    XorShift random_;
};

}  // namespace melodrift
