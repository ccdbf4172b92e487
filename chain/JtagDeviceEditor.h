#pragma once
// The "JTAG Device Description" dialog without its widgets: the device list,
// the fields of the selected entry, add and change mode, Delete, and OK or
// Cancel deciding whether the edits reach the configuration file.
#include "chain/ChainTexts.h"
#include "chain/JtagDeviceTable.h"
#include "common/IniFile.h"

#include <functional>
#include <optional>
#include <string>

namespace vorbrant {

class JtagDeviceEditor {
public:
    // persist writes the configuration file after the table went into it.
    JtagDeviceEditor(JtagDeviceTable& table, IniFile& config, std::function<void()> persist)
        : table_(table), config_(config), persist_(std::move(persist))
    {
    }

    enum class Field : uint8_t { IRLength, BSLength, IDCode };

    // Opening: the table read afresh, the entry at the chain dialog's
    // selector index selected and shown, change mode.
    ChainNotes Open(int selectorIndex);
    // A click or key in the list: the entry at this 0-based index is shown
    // (again, when it is the selected one) and Change/Add judged afresh.
    void Select(int index);
    // A key pressed in the name field: add mode.
    void NameKeyPressed();
    // Text typed into a number field: Change/Add is enabled while the text
    // is empty or a number of its kind (decimal lengths, hex IDCODE). When
    // an entry is shown (opening, a selection) all three fields are judged.
    void FieldChanged(Field field, const std::string& text);
    // "JTAG ID Code" clicked.
    void IdCodeValidClicked(bool checked);
    ChainNotes ChangeClick();
    // Delete takes the selected entry (the dialog asked first).
    bool CanDelete() const { return Selected >= 0 && static_cast<size_t>(Selected) < table_.Entries.size(); }
    void DeleteClick();
    // OK saves the table when it changed; Cancel drops every edit.
    void Ok();
    ChainNotes Cancel();

    const char* ChangeCaption() const { return addMode_ ? "Add" : "Change"; }
    const JtagDeviceTable& Table() const { return table_; }

    // What the dialog shows.
    std::string NameText, IrText, BsText, IdText;
    bool IdCodeChecked = false;
    bool IdCodeEnabled = false;
    int Selected = -1; // list index, -1 = none
    bool ChangeEnabled = true;
    bool DeleteEnabled = true;
    bool Modified = false;

private:
    void ShowDeviceRecord(size_t slot);
    // Empty fields: no entry is selected.
    void ShowNothing();
    static bool FieldAccepted(Field field, const std::string& text);
    void JudgeFields();
    void LeaveAddMode();
    // The three number fields; the field that is no number, if one is not.
    std::optional<ChainNote> ReadNumbers(tJTAGDeviceDescriptor& device);
    ChainNotes Reload();

    JtagDeviceTable& table_;
    IniFile& config_;
    std::function<void()> persist_;
    bool addMode_ = false;
};

} // namespace vorbrant
