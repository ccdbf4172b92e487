#pragma once
// TForm3: the small one-address dialog. Under its own caption "Offset address"
// it edits the load offset of Intel HEX records; the port menu borrows it as
// "User LPT port address" and the hex editor as "Jump to address", where it
// only hands back the text typed.
#include "common/Operator.h"

#include <QDialog>

#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vorbrant {

class TForm3 : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* OffsetCaption = "Offset address";
    static constexpr const char* OffsetPrompt = "Offset address:";

    explicit TForm3(Operator& op, QWidget* parent = nullptr);

    // Offset mode: shows the dialog modally over loadOffset. The value is
    // written back whenever the dialog closes (a field left with a good value
    // counts even after Cancel). Returns the dialog result.
    int RunOffset(int32_t& loadOffset);

    // Borrowed mode: caption, prompt and text are the caller's; shows the
    // dialog modally, restores the offset caption and prompt, and returns the
    // field's text whatever button closed it.
    QString RunBorrowed(const QString& caption, const QString& prompt, const QString& text);

    // Offset mode without the modal loop (tests drive the window themselves):
    // fills the field from loadOffset; the value is written when the dialog
    // finishes.
    void BeginOffset(int32_t& loadOffset);

    // The focus-out rule of the field: parses it, keeps the pending offset
    // and rewrites the field; false after "Invalid digit!" (quiet: no
    // warning and the focus stays where it went).
    bool LeaveField(bool quiet = false);

    QLabel* Label5;
    QLineEdit* Edit1;
    QPushButton* OKButton;
    QPushButton* CancelButton;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    bool OffsetMode() const;
    void OkClick();

    Operator& op_;
    int32_t* target_ = nullptr;
    int32_t pending_ = 0;
};

} // namespace vorbrant
