#pragma once
// The "JTAG Device Description" dialog without its widgets: the device list,
// the fields of the selected entry, add and change mode, Delete, and OK or
// Cancel deciding whether the edits reach the configuration file.
#include "chain/JtagDeviceTable.h"
#include "common/IniFile.h"
#include "common/Operator.h"

#include <functional>
#include <string>

namespace vorbrant {

// Messages about a device list read from the configuration file: the number
// that stopped it, the entries beyond the hundred it holds.
void ReportDeviceTableLoad(const JtagDeviceTable::LoadResult& result, Operator& op);

class JtagDeviceEditor {
public:
    // persist writes the configuration file after the table went into it.
    JtagDeviceEditor(JtagDeviceTable& table, IniFile& config, Operator& op, std::function<void()> persist)
        : table_(table), config_(config), op_(op), persist_(std::move(persist))
    {
    }

    enum class Field : uint8_t { IRLength, BSLength, IDCode };

    // Opening: the table read afresh, the entry at the chain dialog's
    // selector index selected and shown, change mode.
    void Open(int selectorIndex);
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
    void ChangeClick();
    void DeleteClick();
    // OK saves the table when it changed; Cancel drops every edit.
    void Ok();
    void Cancel();

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
    // The three number fields; false after the conversion message.
    bool ReadNumbers(tJTAGDeviceDescriptor& device);
    void Reload();

    JtagDeviceTable& table_;
    IniFile& config_;
    Operator& op_;
    std::function<void()> persist_;
    bool addMode_ = false;
};

} // namespace vorbrant
