#pragma once
// Everything the program asks of a person: message boxes with exact texts,
// questions, the address-range dialog, the status line, progress and the busy
// cursor. The GUI, the headless console and the tests each implement it.
#include "common/AddressRange.h"

#include <cstdint>
#include <string>

namespace vorbrant {

enum class MessageKind { Warning, Error, Information };

class Operator {
public:
    virtual ~Operator() = default;

    // A modal box with a single OK button.
    virtual void ShowMessage(MessageKind kind, const std::string& text) = 0;
    // A Yes/No question; headless runs take defaultYes.
    virtual bool AskYesNo(const std::string& text, bool defaultYes) = 0;
    // An OK/Cancel question; headless runs take defaultOk.
    virtual bool AskOkCancel(const std::string& text, bool defaultOk) = 0;
    // The range dialog: caption plus the current start and end. Returns false
    // on Cancel. Values the dialog stored before a Cancel are written to range
    // even then (the dialog stores each field as soon as it is left).
    virtual bool AskRange(const std::string& caption, AddressRange& range) = 0;

    // The status line: red while a step runs, black for "Idle".
    virtual void SetStatus(const std::string& text, bool red) = 0;
    // Progress gauge: shown with a range, advanced, hidden.
    virtual void ShowProgress(int maximum) = 0;
    virtual void SetProgress(int value) = 0;
    virtual void HideProgress() = 0;
    // Hourglass cursor during connects and runs.
    virtual void SetBusy(bool busy) = 0;
    // Explicit repaint during a run that takes no input.
    virtual void Repaint() {}
    // System sound at the end of a successful run.
    virtual void Beep() {}
    // A message that must not wait for anybody: a batch run ends with an exit
    // code instead of a box, and the text goes to the log (stderr).
    virtual void Note(MessageKind kind, const std::string& text);
    // A line for the log of a headless run (connection result, closing line);
    // windows show these elsewhere and ignore them here.
    virtual void Log(const std::string&) {}
};

const char* MessageKindName(MessageKind kind)
;

} // namespace vorbrant
