#include "chain/JtagDeviceEditor.h"

#include "chain/ChainTexts.h"
#include "common/Text.h"

namespace vorbrant {

ChainNotes JtagDeviceEditor::Reload() { return DeviceTableLoadNotes(table_.Load(config_)); }

ChainNotes JtagDeviceEditor::Open(int selectorIndex)
{
    Modified = false;
    ChainNotes notes = Reload();
    Selected = -1;
    if (selectorIndex >= 0 && static_cast<size_t>(selectorIndex) < table_.Entries.size())
        Select(selectorIndex);
    else
        ShowNothing();
    LeaveAddMode();
    return notes;
}

void JtagDeviceEditor::Select(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= table_.Entries.size())
        return;
    Selected = index;
    ShowDeviceRecord(static_cast<size_t>(index) + 1);
}

void JtagDeviceEditor::ShowDeviceRecord(size_t slot)
{
    if (slot == 0 || slot > table_.Entries.size())
        return;
    const tJTAGDeviceDescriptor& device = table_.Entries[slot - 1];
    NameText = device.DeviceName;
    IrText = std::to_string(device.IRLength);
    BsText = std::to_string(device.BSLength);
    IdText = Hex(device.IDCode, 8);
    IdCodeChecked = IdCodeEnabled = device.IDCode != 0;
    if (!IdCodeChecked)
        IdText.clear();
    JudgeFields();
}

void JtagDeviceEditor::ShowNothing()
{
    NameText.clear();
    IrText.clear();
    BsText.clear();
    IdText.clear();
    IdCodeChecked = IdCodeEnabled = false;
    JudgeFields();
}

bool JtagDeviceEditor::FieldAccepted(Field field, const std::string& text)
{
    // A length out of 16 bits passes here and is refused with its message
    // when stored.
    bool number = field == Field::IDCode ? ParseIdCodeHex(text).has_value() : ParseInt32(Trim(text)).has_value();
    return Trim(text).empty() || number;
}

void JtagDeviceEditor::JudgeFields()
{
    ChangeEnabled = FieldAccepted(Field::IRLength, IrText) && FieldAccepted(Field::BSLength, BsText) &&
                    FieldAccepted(Field::IDCode, IdText);
}

void JtagDeviceEditor::NameKeyPressed()
{
    if (addMode_)
        return;
    addMode_ = true;
    IdCodeChecked = IdCodeEnabled = true;
    DeleteEnabled = false;
}

void JtagDeviceEditor::LeaveAddMode()
{
    addMode_ = false;
    DeleteEnabled = true;
}

void JtagDeviceEditor::FieldChanged(Field field, const std::string& text)
{
    if (field == Field::IRLength)
        IrText = text;
    else if (field == Field::BSLength)
        BsText = text;
    else
        IdText = text;
    // While typing, only the field that changed is judged.
    ChangeEnabled = FieldAccepted(field, text);
}

void JtagDeviceEditor::IdCodeValidClicked(bool checked)
{
    IdCodeChecked = checked;
    IdCodeEnabled = checked;
    if (checked) {
        Modified = true;
        return;
    }
    IdText.clear();
    // The ID code of the entry being edited goes; in add mode that is the
    // new entry, not the one still selected in the list.
    if (addMode_ || Selected < 0)
        return;
    table_.Entries[static_cast<size_t>(Selected)].IDCode = 0;
    Modified = true;
}

std::optional<ChainNote> JtagDeviceEditor::ReadNumbers(tJTAGDeviceDescriptor& device)
{
    std::optional<uint16_t> ir = ParseLength(IrText);
    if (!ir)
        return MakeChainNote(ChainNoteKind::NotANumber, IrText);
    std::optional<uint16_t> bs = ParseLength(BsText);
    if (!bs)
        return MakeChainNote(ChainNoteKind::NotANumber, BsText);
    std::optional<uint32_t> id = Trim(IdText).empty() ? std::optional<uint32_t>(0) : ParseIdCodeHex(IdText);
    if (!id)
        return MakeChainNote(ChainNoteKind::NotANumber, "$" + IdText);
    device.IRLength = *ir;
    device.BSLength = *bs;
    device.IDCode = *id;
    return std::nullopt;
}

ChainNotes JtagDeviceEditor::ChangeClick()
{
    if (!addMode_) {
        if (Selected < 0)
            return {};
        tJTAGDeviceDescriptor& entry = table_.Entries[static_cast<size_t>(Selected)];
        tJTAGDeviceDescriptor changed = entry;
        if (std::optional<ChainNote> problem = ReadNumbers(changed))
            return {*problem};
        entry = changed;
        Modified = true;
        return {};
    }
    std::string name(Trim(NameText));
    // An empty name matches the end of the table: nothing to add. The
    // fields then show an entry again (the one of that name, else the
    // selected one), so that what Delete and Change act on is in view.
    if (name.empty() || table_.Find(name)) {
        LeaveAddMode();
        const tJTAGDeviceDescriptor* same = name.empty() ? nullptr : table_.Find(name);
        if (same)
            Select(static_cast<int>(same - table_.Entries.data()));
        else if (Selected >= 0)
            Select(Selected);
        else
            ShowNothing();
        return {};
    }
    if (table_.Full())
        return {MakeChainNote(ChainNoteKind::DeviceListFull)};
    tJTAGDeviceDescriptor device;
    device.DeviceName = name;
    if (std::optional<ChainNote> problem = ReadNumbers(device))
        return {*problem};
    table_.Entries.push_back(device);
    Selected = static_cast<int>(table_.Entries.size()) - 1;
    Modified = true;
    LeaveAddMode();
    return {};
}

void JtagDeviceEditor::DeleteClick()
{
    if (!CanDelete())
        return;
    table_.Entries.erase(table_.Entries.begin() + Selected);
    Selected = -1;
    ShowNothing();
    Modified = true;
}

void JtagDeviceEditor::Ok()
{
    if (!Modified)
        return;
    Modified = false;
    table_.Save(config_);
    if (persist_)
        persist_();
}

ChainNotes JtagDeviceEditor::Cancel()
{
    Modified = false;
    ChainNotes notes = Reload();
    Selected = -1;
    ShowNothing();
    LeaveAddMode();
    return notes;
}

} // namespace vorbrant
