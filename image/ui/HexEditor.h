#pragma once
// TEditor, "Hex edit": the whole image as rows of 16 bytes, hexadecimal on
// the left and characters on the right, one scroll position for both. Bytes
// typed in either grid go into the image at once; "&Jump" (or a click on the
// address column) borrows the offset dialog; "Clear buffer" empties the
// image. The window only draws the HexEditModel and forwards keys to it.
#include "common/Operator.h"
#include "image/HexEditModel.h"

#include <QDialog>

class QAction;
class QKeyEvent;
class QLabel;
class QMenuBar;
class QStatusBar;

namespace vorbrant {

class HexGrid;
class TForm3;

class TEditor : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* Caption = "Hex edit";

    // storeByte and clear are how edits reach the image (see HexEditModel);
    // jumpDialog is the offset dialog, borrowed for "Jump to address".
    TEditor(ImageBuffer& image, Operator& op, TForm3& jumpDialog, HexEditModel::StoreByteFn storeByte,
            HexEditModel::ClearFn clear, QWidget* parent = nullptr);

    // Opens the window modally (EditClick).
    int Run();
    // What opening does, without the modal loop (tests drive the window).
    void FormActivate();

    void Address1Click();
    void Clearbuffer1Click();

    HexEditModel Model;

    QMenuBar* MainMenu1;
    QAction* Exit1;
    QAction* Address1;
    QAction* Clearbuffer1;
    HexGrid* StringGrid1;
    HexGrid* StringGrid2;
    QStatusBar* StatusBar1;
    QLabel* CursorAddress;

private:
    void Refresh();
    void GridKey(HexGrid* grid, QKeyEvent* event);

    Operator& op_;
    TForm3& jumpDialog_;
};

} // namespace vorbrant
