#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace vorbrant;
using namespace vorbrant::testing;

namespace {

const char* const SmallHex = ":0400100001020304E2\r\n:00000001FF\r\n";

} // namespace

TEST(MainFormFiles, OpenAndLoadTakesFormatFolderAndRecentEntry)
{
    FormRig rig;
    rig.Start();
    TMainForm& f = *rig.Form;
    std::string file = rig.Dir.File("fw.hex");
    WriteText(file, SmallHex);
    f.ChooseOpenFile = [&] { return std::optional<TMainForm::FileChoice>({file, 1}); };
    f.KeyLoad->click();
    EXPECT_TRUE(rig.Op.Messages.empty());
    EXPECT_EQ(f.S.Files().FileFormat, LoadFormat::Hex);
    EXPECT_EQ(f.S.Files().LastDir, rig.Dir.Path);
    EXPECT_EQ(f.S.Files().CurrentFilePath, file);
    EXPECT_EQ(f.LoadedFilename->text(), "fw.hex");
    EXPECT_EQ(f.LoadedFilename->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    EXPECT_EQ(f.LStartAddress->text(), "000010H");
    EXPECT_EQ(f.LEndAddress->text(), "000013H");
    EXPECT_EQ(f.LoadedSize->text(), "000004H");
    EXPECT_TRUE(f.N2->isVisible());
    EXPECT_EQ(f.N3->text(), "&1 fw.hex");
}

TEST(MainFormFiles, DatExtensionWinsOverTheFilter)
{
    FormRig rig;
    rig.Start();
    TMainForm& f = *rig.Form;
    std::string file = rig.Dir.File("words.Dat");
    WriteText(file, "[20000010] 12AB\r\n");
    f.ChooseOpenFile = [&] { return std::optional<TMainForm::FileChoice>({file, 3}); };
    f.Load1->trigger();
    EXPECT_EQ(f.S.Files().FileFormat, LoadFormat::Dat);
    EXPECT_EQ(rig.Image.ImageData[0x10], 0xAB);
    EXPECT_EQ(rig.Image.ImageData[0x11], 0x12);
}

TEST(MainFormFiles, FailedLoadKeepsTheLabelButListsTheFile)
{
    FormRig rig;
    rig.Start();
    TMainForm& f = *rig.Form;
    std::string good = rig.Dir.File("good.hex");
    WriteText(good, SmallHex);
    std::string bad = rig.Dir.File("bad.hex");
    WriteText(bad, ":0400100001020304E3\r\n:00000001FF\r\n");
    f.ChooseOpenFile = [&] { return std::optional<TMainForm::FileChoice>({good, 1}); };
    f.OpenAndLoad();
    f.ChooseOpenFile = [&] { return std::optional<TMainForm::FileChoice>({bad, 1}); };
    f.OpenAndLoad();
    EXPECT_EQ(rig.Op.Texts(), std::vector<std::string>{"Checksum error in HEX file !"});
    EXPECT_EQ(f.LoadedFilename->text(), "good.hex");
    EXPECT_EQ(rig.Image.ImageSize, 0);
    EXPECT_EQ(rig.Image.ImageData[0x10], 0x01) << "a failed load loses nothing";
    EXPECT_EQ(f.N4->text(), "&2 bad.hex");
}

TEST(MainFormFiles, CancelledOpenDialogChangesNothing)
{
    FormRig rig;
    rig.WriteIni("[ENVIRONMENT]\nLastDir=/keep\n");
    rig.Start();
    TMainForm& f = *rig.Form;
    f.ChooseOpenFile = [] { return std::optional<TMainForm::FileChoice>(); };
    f.OpenAndLoad();
    EXPECT_EQ(f.S.Files().LastDir, "/keep");
    EXPECT_FALSE(f.N2->isVisible());
    EXPECT_TRUE(rig.Op.Messages.empty());
}

TEST(MainFormFiles, RecentItemReloadsWithDetectionAndKeepsTheList)
{
    FormRig rig;
    std::string a = rig.Dir.File("a.hex");
    std::string b = rig.Dir.File("b.bin");
    WriteText(a, SmallHex);
    WriteText(b, std::string(1024, '\x5A'));
    rig.WriteIni("[ENVIRONMENT]\nLastDir=/elsewhere\nFileCount=2\nFile1=" + a + "\nFile2=" + b + "\n");
    rig.Start();
    TMainForm& f = *rig.Form;
    f.N4->trigger();
    EXPECT_EQ(f.S.Files().FileFormat, LoadFormat::Binary) << "detected as binary";
    EXPECT_EQ(f.LoadedFilename->text(), "b.bin");
    EXPECT_EQ(f.LEndAddress->text(), "0003FFH");
    EXPECT_EQ(f.LoadedSize->text(), "000400H");
    f.N3->trigger();
    EXPECT_EQ(f.S.Files().FileFormat, LoadFormat::Hex);
    EXPECT_EQ(f.LoadedFilename->text(), "a.hex");
    EXPECT_EQ(f.S.Files().LastDir, "/elsewhere");
    EXPECT_EQ(f.N3->text(), "&1 a.hex");
    EXPECT_EQ(f.N4->text(), "&2 b.bin");
}

TEST(MainFormFiles, SaveAsksForTheRangeAndKeepsTheLoadFormat)
{
    FormRig rig;
    rig.Start();
    TMainForm& f = *rig.Form;
    for (uint32_t a = 0; a < 0x40; ++a)
        rig.Image.StoreByte(a, static_cast<uint8_t>(a));
    f.S.SetCurrentFile(f.S.Files().CurrentFilePath, LoadFormat::SRecord);
    rig.Op.Ranges.push_back(AddressRange{0x10, 0x1F});
    std::string out = rig.Dir.File("out.bin");
    f.ChooseSaveFile = [&] { return std::optional<TMainForm::FileChoice>({out, 2}); };
    f.Save1->trigger();
    EXPECT_EQ(rig.Op.RangeCaptions, std::vector<std::string>{"Write file address range"});
    EXPECT_TRUE(rig.Op.Messages.empty());
    std::string bytes = ReadText(out);
    ASSERT_EQ(bytes.size(), 16u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 0x10);
    EXPECT_EQ(static_cast<uint8_t>(bytes[15]), 0x1F);
    EXPECT_EQ(rig.Image.StartAddress, 0x10);
    EXPECT_EQ(rig.Image.EndAddress, 0x1F);
    EXPECT_EQ(f.S.Files().FileFormat, LoadFormat::SRecord) << "Reload still reads S-records";
    EXPECT_FALSE(rig.Op.Busy);

    std::string hex = rig.Dir.File("out.hex");
    rig.Op.Ranges.push_back(AddressRange{0x10, 0x10});
    f.ChooseSaveFile = [&] { return std::optional<TMainForm::FileChoice>({hex, 1}); };
    f.SaveWithRange();
    EXPECT_EQ(ReadText(hex), ":0100100010DF\r\n:00000001FF\r\n") << "a one-byte range saves one byte";
}

TEST(MainFormFiles, CancelledRangeDialogSavesNothing)
{
    FormRig rig;
    rig.Start();
    TMainForm& f = *rig.Form;
    rig.Op.Ranges.push_back(std::nullopt);
    bool asked = false;
    f.ChooseSaveFile = [&] {
        asked = true;
        return std::optional<TMainForm::FileChoice>();
    };
    f.SaveWithRange();
    EXPECT_FALSE(asked);
}

TEST(MainFormFiles, FailedSaveNamesThePath)
{
    FormRig rig;
    rig.Start();
    TMainForm& f = *rig.Form;
    std::string out = rig.Dir.File("no/such/folder/out.hex");
    f.ChooseSaveFile = [&] { return std::optional<TMainForm::FileChoice>({out, 1}); };
    f.SaveWithRange();
    ASSERT_EQ(rig.Op.Messages.size(), 1u);
    EXPECT_EQ(rig.Op.Messages[0].Kind, MessageKind::Error);
    EXPECT_NE(rig.Op.Messages[0].Text.find(out), std::string::npos);
}

TEST(MainFormFiles, TheRealFileDialogsStartInTheLastFolderWithTheirFilters)
{
    FormRig rig;
    rig.WriteIni("[ENVIRONMENT]\nLastDir=" + rig.Dir.Path + "\n");
    rig.Start();
    TMainForm& f = *rig.Form;
    std::string file = rig.Dir.File("fw.s19");
    WriteText(file, "S107001001020304DE\r\nS9030000FC\r\n");

    QStringList openFilters;
    QString openFolder;
    bool mustExist = false;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        openFilters = dialog->nameFilters();
        openFolder = dialog->directory().absolutePath();
        mustExist = dialog->fileMode() == QFileDialog::ExistingFile;
        dialog->selectNameFilter(openFilters.value(1));
        dialog->selectFile(QString::fromStdString(file));
        static_cast<QDialog*>(dialog)->accept(); // the file dialog's own check of the choice
    });
    f.OpenAndLoad();
    EXPECT_EQ(openFolder.toStdString(), rig.Dir.Path);
    EXPECT_TRUE(mustExist);
    ASSERT_EQ(openFilters.size(), 5);
    EXPECT_TRUE(openFilters[0].startsWith("Intel HEX files"));
    EXPECT_TRUE(openFilters[0].contains("*.HEX") && openFilters[0].contains("*.hex") && openFilters[0].contains("*.ihx"));
    EXPECT_TRUE(openFilters[1].startsWith("Motorola S-records"));
    EXPECT_TRUE(openFilters[1].contains("*.S??") && openFilters[1].contains("*.run") &&
                openFilters[1].contains("*.RUN") && openFilters[1].contains("*.srec") && openFilters[1].contains("*.mot"));
    EXPECT_TRUE(openFilters[2].startsWith("Binary image"));
    EXPECT_TRUE(openFilters[3].startsWith("DAT files"));
    EXPECT_TRUE(openFilters[4].startsWith("Any file"));
    EXPECT_EQ(f.S.Files().FileFormat, LoadFormat::SRecord) << "the second filter reads S-records";
    EXPECT_TRUE(rig.Op.Messages.empty());
    EXPECT_EQ(rig.Image.ImageData[0x10], 0x01);
    EXPECT_EQ(f.S.Files().CurrentFilePath, file);

    QStringList saveFilters;
    QString saveFolder;
    bool saving = false;
    bool asksBeforeOverwriting = false;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        saveFilters = dialog->nameFilters();
        saveFolder = dialog->directory().absolutePath();
        saving = dialog->acceptMode() == QFileDialog::AcceptSave;
        asksBeforeOverwriting = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        dialog->reject();
    });
    f.SaveWithRange();
    EXPECT_EQ(saveFolder.toStdString(), rig.Dir.Path);
    EXPECT_TRUE(saving);
    EXPECT_TRUE(asksBeforeOverwriting);
    ASSERT_EQ(saveFilters.size(), 3);
    EXPECT_TRUE(saveFilters[0].startsWith("Intel HEX files"));
    EXPECT_TRUE(saveFilters[1].startsWith("Binary image"));
    EXPECT_TRUE(saveFilters[2].startsWith("Any file"));
}
