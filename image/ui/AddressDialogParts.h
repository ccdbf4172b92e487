#pragma once
// What the offset and range dialogs share: the address text of their fields,
// the Cancel / OK row, and how their edit fields take keys and focus moves.
#include <QString>

#include <cstdint>

class QDialog;
class QEvent;
class QHBoxLayout;
class QPushButton;

namespace vorbrant {

// An address as at least `digits` upper-case hex digits and "H".
QString AddressText(int32_t value, int digits);

// The Cancel / OK row; neither button takes Enter on its own (the fields
// turn Enter into OK themselves).
QHBoxLayout* MakeCancelOkRow(QDialog* dialog, QPushButton*& cancel, QPushButton*& ok);

// What an event on an edit field means to the dialog.
enum class FieldEvent {
    Other,
    Ok,           // Enter
    Cancel,       // Escape
    Leave,        // the focus moved to another control of the dialog: parse
    LeaveQuietly, // a mouse press on OK: parse, but let OK's click do the warning
};
// Leaving towards Cancel, or out of the dialog, is no leave at all.
FieldEvent ClassifyFieldEvent(const QDialog* dialog, const QEvent* event, const QPushButton* cancel,
                              const QPushButton* ok);

} // namespace vorbrant
