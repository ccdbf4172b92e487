#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vorbrant;
using namespace vorbrant::testing;

namespace {

QString TextOf(QObject* o)
{
    if (auto* l = qobject_cast<QLabel*>(o))
        return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(o))
        return b->text();
    if (auto* a = qobject_cast<QAction*>(o))
        return a->text();
    if (auto* m = qobject_cast<QMenu*>(o))
        return m->title();
    return "<no text>";
}

} // namespace

TEST(MainFormLayout, EveryControlHasItsCaptionAndInitialState)
{
    FormRig rig;
    TMainForm& f = *rig.Form;
    struct Expect {
        const char* Name;
        const char* Text;
        const char* Parent;
    };
    const Expect table[] = {
        {"DoErase", "     Erase", "Panel2"},          {"DoBlankCheck", "     Blank Check", "Panel2"},
        {"DoProgram", "     Program", "Panel2"},      {"DoVerify", "     Verify", "Panel2"},
        {"DoRead", "     Read", "Panel2"},            {"SelectCode", "FLASH code", "Panel2"},
        {"SelectData", "User data", "Panel2"},        {"KeyClear", "Clear", "Panel2"},
        {"KeyGo", "Go !", "Panel2"},                  {"Panel2Heading", " Operation Flow ", "Panel2"},
        {"Panel3Heading", " Data Buffer Info ", "Panel3"}, {"LStartAddress", "0000H", "Panel3"},
        {"LEndAddress", "0000H", "Panel3"},           {"LoadedSize", "0000H", "Panel3"},
        {"Label14", "Offset :", "Panel3"},            {"LoadedOffset", "0000H", "Panel3"},
        {"LoadedFilename", "NONE", "Panel3"},         {"KeyLoad", "Load File", "Panel3"},
        {"Panel4Heading", " Loader Info ", "Panel4"}, {"MfgID", "---", "Panel4"},
        {"ChipID", "---", "Panel4"},                  {"Label21", "Firmw.ver.:", "Panel4"},
        {"FirmwareVersion", "---", "Panel4"},         {"SelectedPort", "---", "Panel4"},
        {"Label24", "Baud rate :", "Panel4"},         {"BaudRate", "---", "Panel4"},
        {"Status", "Not Connected", "Panel4"},        {"Adapter", "Adapter:", "Panel4"},
        {"EnableJTAGChain", "Multiple JTAG Chain", "Panel4"}, {"EditJTAGChain", "JTAG Chain Setup", "Panel4"},
        {"KeyConnect", "Connect", "Panel4"},          {"Progres", "Idle", "Panel1"},
    };
    for (const Expect& e : table) {
        QWidget* w = f.findChild<QWidget*>(e.Name);
        ASSERT_NE(w, nullptr) << e.Name;
        EXPECT_EQ(TextOf(w), e.Text) << e.Name;
        EXPECT_EQ(w->parentWidget()->objectName(), e.Parent) << e.Name;
    }
    // Captions of the unnamed labels, in their panels.
    auto captions = [&](const char* panel) {
        QStringList texts;
        for (QLabel* l : f.findChild<QFrame*>(panel)->findChildren<QLabel*>())
            texts << l->text();
        return texts;
    };
    for (const char* c : {"Start address:", "End address :", "Size :", "Loaded file :"})
        EXPECT_TRUE(captions("Panel3").contains(c)) << c;
    for (const char* c : {"Manuf. ID : ", "Chip ID :", "Port :", "Status :"})
        EXPECT_TRUE(captions("Panel4").contains(c)) << c;
    EXPECT_TRUE(captions("Panel1").contains("Status : "));

    EXPECT_TRUE(f.DoErase->isChecked());
    EXPECT_TRUE(f.DoProgram->isChecked());
    EXPECT_FALSE(f.DoBlankCheck->isChecked() || f.DoVerify->isChecked() || f.DoRead->isChecked());
    EXPECT_TRUE(f.SelectCode->isChecked());
    EXPECT_FALSE(f.SelectData->isEnabled());
    EXPECT_FALSE(f.KeyGo->isEnabled());
    EXPECT_TRUE(f.LoadedFilename->font().bold());
    EXPECT_EQ(f.LoadedFilename->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(f.Status->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_TRUE(f.Adapter->isHidden());
    EXPECT_TRUE(f.AdapterType->isHidden());
    EXPECT_TRUE(f.EditJTAGChain->isHidden());
    EXPECT_TRUE(f.ProgressBar->isHidden());
    EXPECT_EQ(f.LoadedOffset->toolTip(), "Click to change offset address");
    EXPECT_EQ(f.Label14->toolTip(), "Click to change offset address");
    EXPECT_EQ(f.SelectedPort->toolTip(), "Click to change port address");
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_EQ(f.Timer1->interval(), 2000);
    EXPECT_EQ(f.windowTitle(), "Vorbrant");
    EXPECT_EQ(f.centralWidget()->size(), QSize(512, 366));
    EXPECT_EQ(f.minimumSize(), f.maximumSize()) << "fixed border";
}

TEST(MainFormLayout, PanelsSitLeftMiddleRightAndTheStripAtTheBottom)
{
    FormRig rig;
    TMainForm& f = *rig.Form;
    EXPECT_EQ(f.Panel2->x(), 0);
    EXPECT_LT(f.Panel2->geometry().right(), f.Panel3->x());
    EXPECT_LT(f.Panel3->geometry().right(), f.Panel4->x());
    EXPECT_EQ(f.Panel4->geometry().right(), 511);
    EXPECT_EQ(f.Panel1->geometry().bottom(), 365);
    EXPECT_EQ(f.Panel1->width(), 512);
    EXPECT_GT(f.Panel1->y(), f.Panel2->geometry().bottom());
}

TEST(MainFormLayout, MenusHoldTheirItemsInOrder)
{
    FormRig rig;
    TMainForm& f = *rig.Form;
    QStringList bar;
    for (QAction* a : f.menuBar()->actions())
        bar << a->text();
    EXPECT_EQ(bar, (QStringList{"&File", "&Edit", "&Hardware port", "&Reload", "&Security", "&About"}));

    QStringList file;
    for (QAction* a : f.File1->actions())
        file << (a->isSeparator() ? QString("-") : a->objectName() + ":" + a->text());
    EXPECT_EQ(file, (QStringList{"Load1:&Load", "Save1:&Save", "-", "Exit1:E&xit", "-", "N3:", "N4:", "N5:", "N6:",
                                 "N7:"}));
    for (QAction* item : {f.N2, f.N3, f.N4, f.N5, f.N6, f.N7})
        EXPECT_FALSE(item->isVisible()) << item->objectName().toStdString();

    QStringList port;
    for (QAction* a : f.Configure1->actions())
        port << (a->isSeparator() ? QString("-") : a->text());
    EXPECT_EQ(port, (QStringList{"LPT1", "LPT2", "LPT3", "User defined", "-", "Adapter..."}));
    EXPECT_TRUE(f.LPT11->isChecked());
    EXPECT_EQ(f.Configure1->menuAction()->toolTip(), "Select LPT port");
    EXPECT_FALSE(f.Reload1->isEnabled());
    EXPECT_FALSE(f.Security1->isVisible());
    EXPECT_TRUE(f.About1->isVisible());
}
