// The JTAG device list: its INI section, the "JTAG Device Description"
// model's add and change modes, Delete, OK and Cancel.
#include "chain/ChainTexts.h"
#include "chain/JtagDeviceEditor.h"
#include "common/ScriptedOperator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vorbrant {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct DeviceRig {
    explicit DeviceRig(const std::string& section = "")
    {
        Config.Parse("[JTAG Devices]\n" + section);
        Table.Load(Config);
    }
    JtagDeviceEditor Editor()
    {
        return JtagDeviceEditor(Table, Config, [this] { ++Saves; });
    }
    // What the dialog does with an action's notes: each in its box.
    ChainNotes Say(const ChainNotes& notes)
    {
        for (const ChainNote& note : notes)
            if (ChainCheckMessage message = ChainNoteMessage(note); !message.Text.empty())
                Op.ShowMessage(message.Kind, message.Text);
        return notes;
    }
    // The dialog's Delete: asked first.
    void Delete(JtagDeviceEditor& editor)
    {
        if (editor.CanDelete() && Op.AskYesNo(DeleteDeviceQuestion(editor.NameText), false))
            editor.DeleteClick();
    }
    std::vector<std::string> Keys() const { return Config.ReadSection(JtagDevicesSection); }

    IniFile Config;
    JtagDeviceTable Table;
    ScriptedOperator Op;
    int Saves = 0;
};

TEST(DeviceTable, MissingSectionAndGapsInTheKeys)
{
    IniFile none;
    none.Parse("[ENVIRONMENT]\nPort=1\n");
    JtagDeviceTable table;
    JtagDeviceTable::LoadResult result = table.Load(none);
    EXPECT_THAT(table.Entries, IsEmpty());
    EXPECT_FALSE(result.Stopped);

    // Device_3 is missing: Device_4 is never read, and a save renumbers.
    DeviceRig rig("Device_1=CPU_A(4,0,1)\nDevice_2=CPU_B(8,512,4099)\nDevice_4=CPU_D(2,0,0)\n");
    ASSERT_EQ(rig.Table.Entries.size(), 2u);
    EXPECT_EQ(rig.Table.Entries[1].BSLength, 512);
    JtagDeviceEditor editor = rig.Editor();
    rig.Say(editor.Open(0));
    editor.IdCodeValidClicked(true); // any change marks the table
    editor.Ok();
    EXPECT_EQ(rig.Saves, 1);
    EXPECT_THAT(rig.Keys(), ElementsAre("Device_1", "Device_2"));
    EXPECT_EQ(rig.Config.ReadString(JtagDevicesSection, "Device_1", ""), "CPU_A(4,0,1)");
}

TEST(DeviceTable, ShownFieldsAndTheIdCodeBox)
{
    DeviceRig rig("Device_1=NOID(5,10,0)\nDevice_2=WITHID(16,0,1073782911)\n");
    JtagDeviceEditor editor = rig.Editor();
    rig.Say(editor.Open(0));
    EXPECT_FALSE(editor.IdCodeChecked);
    EXPECT_FALSE(editor.IdCodeEnabled);
    EXPECT_EQ(editor.IdText, "");
    EXPECT_EQ(editor.IrText, "5");
    editor.Select(1);
    EXPECT_TRUE(editor.IdCodeChecked);
    EXPECT_EQ(editor.IdText, "4000A07F");
    EXPECT_STREQ(editor.ChangeCaption(), "Change");

    // Changing with an empty IDCode field stores 0; OK writes it.
    editor.FieldChanged(JtagDeviceEditor::Field::IDCode, "  ");
    EXPECT_TRUE(editor.ChangeEnabled);
    rig.Say(editor.ChangeClick());
    editor.Ok();
    EXPECT_EQ(rig.Config.ReadString(JtagDevicesSection, "Device_2", ""), "WITHID(16,0,0)");

    // A hex text of more than eight digits (leading zeros aside) is no IDCODE.
    editor.FieldChanged(JtagDeviceEditor::Field::IDCode, "000F0000001");
    EXPECT_TRUE(editor.ChangeEnabled);
    editor.FieldChanged(JtagDeviceEditor::Field::IDCode, "1F0000001");
    EXPECT_FALSE(editor.ChangeEnabled);
    editor.FieldChanged(JtagDeviceEditor::Field::IRLength, "x7");
    EXPECT_FALSE(editor.ChangeEnabled);
}

TEST(DeviceTable, AddModeAppendsOnceAndBit31RoundTrips)
{
    DeviceRig rig("Device_1=CPU_A(4,0,1)\n");
    JtagDeviceEditor editor = rig.Editor();
    rig.Say(editor.Open(0));
    editor.NameText = "  NEW  ";
    editor.NameKeyPressed();
    EXPECT_STREQ(editor.ChangeCaption(), "Add");
    EXPECT_FALSE(editor.DeleteEnabled);
    EXPECT_TRUE(editor.IdCodeChecked);
    editor.IrText = "8";
    editor.BsText = "0";
    editor.IdText = "F0000001";
    rig.Say(editor.ChangeClick());
    EXPECT_STREQ(editor.ChangeCaption(), "Change");
    EXPECT_EQ(editor.Selected, 1);
    editor.Ok();
    EXPECT_EQ(rig.Config.ReadString(JtagDevicesSection, "Device_2", ""), "NEW(8,0,4026531841)");

    // Read back on the next start: all 32 bits.
    JtagDeviceTable again;
    again.Load(rig.Config);
    ASSERT_EQ(again.Entries.size(), 2u);
    EXPECT_EQ(again.Entries[1].IDCode, 0xF0000001u);

    // The same name again (after trimming) stores nothing.
    editor.NameText = "NEW ";
    editor.NameKeyPressed();
    rig.Say(editor.ChangeClick());
    EXPECT_EQ(rig.Table.Entries.size(), 2u);
    EXPECT_STREQ(editor.ChangeCaption(), "Change");
    EXPECT_TRUE(editor.DeleteEnabled);
}

TEST(DeviceTable, RefusedValuesStoreNothing)
{
    DeviceRig rig("Device_1=CPU_A(4,0,1)\n");
    JtagDeviceEditor editor = rig.Editor();
    rig.Say(editor.Open(0));
    // A length beyond 16 bits is refused, not cut to its low bits.
    editor.IrText = "65536";
    rig.Say(editor.ChangeClick());
    EXPECT_EQ(rig.Table.Entries[0].IRLength, 4);
    EXPECT_THAT(rig.Op.Texts(), ElementsAre("'65536' is not a valid integer value"));
    editor.NameText = "OTHER";
    editor.NameKeyPressed();
    editor.IrText = "";
    rig.Say(editor.ChangeClick());
    EXPECT_EQ(rig.Table.Entries.size(), 1u);
    EXPECT_EQ(rig.Op.Texts().back(), "'' is not a valid integer value");
    EXPECT_FALSE(editor.Modified);

    // The hundred-and-first entry.
    std::string hundred;
    for (int n = 1; n <= 100; ++n)
        hundred += "Device_" + std::to_string(n) + "=D" + std::to_string(n) + "(1,0,0)\n";
    DeviceRig full(hundred + "Device_101=D101(1,0,0)\nDevice_102=D102(1,0,0)\n");
    EXPECT_EQ(full.Table.Entries.size(), 100u);
    JtagDeviceEditor fullEditor = full.Editor();
    full.Say(fullEditor.Open(0));
    EXPECT_THAT(full.Op.Texts(), ElementsAre(DevicesIgnoredText(2, 100)));
    fullEditor.NameText = "ONE MORE";
    fullEditor.NameKeyPressed();
    fullEditor.IrText = "1";
    fullEditor.BsText = "0";
    full.Say(fullEditor.ChangeClick());
    EXPECT_EQ(full.Table.Entries.size(), 100u);
    EXPECT_EQ(full.Op.Texts().back(), "Maximum number (100) of devices reached!");
}

TEST(DeviceTable, NothingSelectedAndDeleteAndCancel)
{
    DeviceRig rig("Device_1=CPU_A(4,0,7)\nDevice_2=CPU_B(8,0,9)\n");
    JtagDeviceEditor editor = rig.Editor();
    rig.Say(editor.Open(5)); // no entry at that index: none selected
    EXPECT_EQ(editor.Selected, -1);
    editor.IrText = "3";
    rig.Say(editor.ChangeClick());
    rig.Delete(editor);
    editor.IdCodeValidClicked(false);
    EXPECT_EQ(rig.Table.Entries[0].IRLength, 4);
    EXPECT_EQ(rig.Table.Entries[0].IDCode, 7u);
    EXPECT_EQ(rig.Table.Entries.size(), 2u);
    EXPECT_FALSE(editor.Modified);

    // Delete asks; No keeps the entry, Yes removes it, OK saves one key.
    editor.Select(1);
    rig.Op.Answers = {false, true};
    rig.Delete(editor);
    EXPECT_EQ(rig.Table.Entries.size(), 2u);
    rig.Delete(editor);
    EXPECT_THAT(rig.Op.Questions, ElementsAre("Do you really want to delete device CPU_B ?",
                                              "Do you really want to delete device CPU_B ?"));
    EXPECT_EQ(rig.Table.Entries.size(), 1u);
    EXPECT_EQ(editor.Selected, -1);
    editor.Ok();
    EXPECT_THAT(rig.Keys(), ElementsAre("Device_1"));

    // Cancel drops the edits: the table is read again from the file.
    rig.Say(editor.Open(0));
    editor.IdCodeValidClicked(false);
    EXPECT_EQ(rig.Table.Entries[0].IDCode, 0u);
    rig.Say(editor.Cancel());
    EXPECT_EQ(rig.Table.Entries[0].IDCode, 7u);
    EXPECT_EQ(rig.Saves, 1);
}

// Change/Add follows what is shown: one bad number disables it, and showing
// an entry (opening, another entry, the same one again) judges the fields
// afresh. A duplicate Add shows the entry of that name, so that the name
// field and Delete agree.
TEST(DeviceTable, ShowingAnEntryJudgesItsFieldsAgain)
{
    DeviceRig rig("Device_1=CPU_A(4,0,1)\nDevice_2=NEWDEV(8,0,0)\nDevice_3=CPLD(8,0,19112177)\n");
    JtagDeviceEditor editor = rig.Editor();
    auto bad = [&] {
        editor.FieldChanged(JtagDeviceEditor::Field::IRLength, "xyz");
        EXPECT_FALSE(editor.ChangeEnabled);
    };
    rig.Say(editor.Open(0));
    bad();
    editor.Select(1);
    EXPECT_TRUE(editor.ChangeEnabled) << "another entry";
    bad();
    editor.Select(1);
    EXPECT_TRUE(editor.ChangeEnabled) << "the same entry again";
    EXPECT_EQ(editor.IrText, "8");
    bad();
    rig.Say(editor.Cancel());
    rig.Say(editor.Open(1));
    EXPECT_TRUE(editor.ChangeEnabled) << "opened again";
    bad();
    rig.Say(editor.Open(7));
    EXPECT_TRUE(editor.ChangeEnabled) << "nothing selected: empty fields";
    EXPECT_EQ(editor.NameText, "");
    EXPECT_EQ(editor.IrText, "");

    editor.Select(1);
    editor.NameText = "  CPLD  ";
    editor.NameKeyPressed();
    rig.Say(editor.ChangeClick());
    EXPECT_EQ(rig.Table.Entries.size(), 3u);
    EXPECT_EQ(editor.Selected, 2);
    EXPECT_EQ(editor.NameText, "CPLD");
    EXPECT_EQ(editor.IdText, "0123A0F1");
    rig.Op.Answers = {true};
    rig.Delete(editor);
    EXPECT_THAT(rig.Op.Questions, ElementsAre("Do you really want to delete device CPLD ?"));
    ASSERT_EQ(rig.Table.Entries.size(), 2u);
    EXPECT_EQ(rig.Table.Entries[1].DeviceName, "NEWDEV");
    EXPECT_EQ(editor.NameText, "") << "nothing is selected after a delete";
}

TEST(DeviceTable, StoredValuesThatStopTheLoad)
{
    // The name ends at its first "("; a number that is not decimal stops
    // the load and keeps what came before.
    DeviceRig rig("Device_1=A(B(4,0,0)\nDevice_2=GOOD(4,0,0)\nDevice_3=BAD($10,0,0)\nDevice_4=LATE(1,0,0)\n");
    JtagDeviceTable table;
    JtagDeviceTable::LoadResult result = table.Load(rig.Config);
    EXPECT_TRUE(result.Stopped);
    EXPECT_EQ(result.Bad, "B(4");
    EXPECT_THAT(table.Entries, IsEmpty());

    DeviceRig second("Device_1=GOOD(4,0,0)\nDevice_2=BAD($10,0,0)\nDevice_3=LATE(1,0,0)\n");
    JtagDeviceEditor editor = second.Editor();
    second.Say(editor.Open(0));
    EXPECT_THAT(second.Op.Texts(), ElementsAre("'$10' is not a valid integer value"));
    ASSERT_EQ(second.Table.Entries.size(), 1u);
    EXPECT_EQ(second.Table.Entries[0].DeviceName, "GOOD");
}

} // namespace
} // namespace vorbrant
