#include "chain/ui/ChainSetupDialog.h"

#include "chain/ChainTexts.h"
#include "chain/ui/DeviceDescriptionDialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>
#include <utility>
#include <type_traits>

namespace vorbrant {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

constexpr int ChainRowHeight = 18;

} // namespace

void ChainWiringPicture::paintEvent(QPaintEvent*)
{
    // The adapter on the left; the chain drawn right to left, so that the
    // first device (its TDI driven by the adapter) is the rightmost one.
    // TCK and TMS run to every device above them, the data path below.
    QPainter p(this);
    QFont small = font();
    small.setPixelSize(10);
    p.setFont(small);
    const int w = width(), h = height();
    const int tckY = 14, tmsY = 26, boxTop = 40, boxH = 40, midY = boxTop + boxH / 2, tdiY = h - 18,
              busY = h - 6;
    const QRect adapter(2, 4, 76, h - 8);
    p.setBrush(QColor(0xE4, 0xE4, 0xE4));
    p.drawRect(adapter);
    p.drawText(QRect(adapter.left(), adapter.top() + 2, 60, 14), Qt::AlignLeft, " Ironquill");
    const QRect pinText(adapter.right() - 34, 0, 32, 12);
    for (auto [y, name] : {std::pair{tckY, "TCK"}, {tmsY, "TMS"}, {midY, "TDO"}, {tdiY, "TDI"}})
        p.drawText(pinText.translated(0, y - 6), Qt::AlignRight | Qt::AlignVCenter, name);

    const int count = 3, boxW = 72, gap = 28;
    const int firstX = w - boxW - 14;
    p.drawLine(adapter.right(), tckY, firstX + 24, tckY);
    p.drawLine(adapter.right(), tmsY, firstX + 48, tmsY);
    p.setBrush(QColor(0xFF, 0xFF, 0xF0));
    for (int i = 0; i < count; ++i) {
        const int x = firstX - i * (boxW + gap);
        const QRect box(x, boxTop, boxW, boxH);
        p.drawLine(x + 24, tckY, x + 24, boxTop);
        p.drawLine(x + 48, tmsY, x + 48, boxTop);
        p.drawRect(box);
        const QString name = i == count - 1 ? "Device #N" : "Device #" + QString::number(i + 1);
        p.drawText(box.adjusted(0, 3, 0, 0), Qt::AlignHCenter | Qt::AlignTop, name);
        p.drawText(box.adjusted(3, 14, -3, 0), Qt::AlignLeft | Qt::AlignVCenter, "TDO");
        p.drawText(box.adjusted(3, 14, -3, 0), Qt::AlignRight | Qt::AlignVCenter, "TDI");
        // This device's TDO feeds the TDI of the next one, on its left.
        if (i + 1 < count)
            p.drawLine(x, midY, x - gap, midY);
    }
    p.setBrush(Qt::NoBrush);
    // The adapter's data output runs below the chain to the first device.
    p.drawPolyline(QPolygon({QPoint(adapter.right(), tdiY), QPoint(adapter.right() + 8, tdiY),
                             QPoint(adapter.right() + 8, busY), QPoint(w - 4, busY), QPoint(w - 4, midY),
                             QPoint(firstX + boxW, midY)}));
    // The last device's TDO returns to the adapter's data input.
    p.drawLine(firstX - (count - 1) * (boxW + gap), midY, adapter.right(), midY);
}

TJTAGChainSetup::TJTAGChainSetup(ChainSetupContext context, std::function<JtagDeviceEditor()> makeEditor,
                                 Operator& op, QWidget* parent)
    : QDialog(parent), Model(std::move(context)), op_(op), makeEditor_(std::move(makeEditor))
{
    setObjectName("JTAGChainSetup");
    setWindowTitle(ChainSetupCaption);
    setModal(true);
    Dialogs.ProgFile = [](QWidget* parent) {
        QFileDialog dialog(parent, "Select Programming File");
        dialog.setObjectName("OpenProgFileDialog");
        dialog.setNameFilters({"Intel-HEX file (*.HEX *.hex *.ihx *.IHX)", "Motorola S-record file (*.S[0-9A-Za-z][0-9A-Za-z] *.s[0-9A-Za-z][0-9A-Za-z])",
                               "Binary file (*)"});
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    auto jcfDialog = [](QWidget* parent, bool save) {
        QFileDialog dialog(parent, save ? "Save JCF" : "Load JCF");
        dialog.setObjectName(save ? "SaveJCFDialog" : "OpenJCFDialog");
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setDefaultSuffix("JCF");
        dialog.setNameFilters({save ? "JCF File (*.JCF *.jcf)" : "JCF file (*.JCF *.jcf)", "Any file (*)"});
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    Dialogs.OpenJcf = [jcfDialog](QWidget* parent) { return jcfDialog(parent, false); };
    Dialogs.SaveJcf = [jcfDialog](QWidget* parent) { return jcfDialog(parent, true); };

    auto button = [](QWidget* parent, const char* name, const char* text, QRect at) {
        auto* b = new QPushButton(text, parent);
        b->setObjectName(name);
        b->setGeometry(at);
        b->setAutoDefault(false);
        return b;
    };
    auto group = [this](const char* title, QRect at) {
        auto* g = new QGroupBox(title, this);
        g->setGeometry(at);
        return g;
    };

    ChainDeviceList = new QTreeWidget(this);
    ChainDeviceList->setObjectName("ChainDeviceList");
    ChainDeviceList->setColumnCount(3);
    ChainDeviceList->setHeaderLabels({"#", "Device", "Programming file"});
    ChainDeviceList->setColumnWidth(0, 34);
    ChainDeviceList->setColumnWidth(1, 150);
    ChainDeviceList->setColumnWidth(2, 195);
    ChainDeviceList->setRootIsDecorated(false);
    ChainDeviceList->setUniformRowHeights(true);
    ChainDeviceList->setStyleSheet(QString("QTreeView::item { height: %1px; }").arg(ChainRowHeight));
    // A full chain of ten fits without scrolling, below the header.
    const int listHeight = ChainDeviceList->header()->sizeHint().height() +
                           static_cast<int>(JtagChainList::MaxChainDevices) * ChainRowHeight +
                           2 * ChainDeviceList->frameWidth() + 2;
    ChainDeviceList->setGeometry(10, 10, 400, listHeight);
    // What lies below the list moves down with it.
    const int dy = std::max(0, 10 + listHeight - 200);

    auto* deviceLabel = new QLabel("JTAG device:", this);
    deviceLabel->setGeometry(10, 208 + dy, 200, 18);
    CurrentDeviceName = new QComboBox(this);
    CurrentDeviceName->setObjectName("CurrentDeviceName");
    CurrentDeviceName->setEditable(true);
    CurrentDeviceName->setInsertPolicy(QComboBox::NoInsert);
    CurrentDeviceName->setGeometry(10, 228 + dy, 200, 26);
    EditDeviceList = button(this, "EditDeviceList", "Edit device list", {220, 227 + dy, 190, 28});
    auto* fileLabel = new QLabel("Programming file:", this);
    fileLabel->setGeometry(10, 262 + dy, 200, 18);
    CurrentProgFileName = new QLineEdit(this);
    CurrentProgFileName->setObjectName("CurrentProgFileName");
    CurrentProgFileName->setGeometry(10, 282 + dy, 400, 26);
    CurrentProgFileName->setMaxLength(static_cast<int>(MaxProgFileChars));
    SelectFile = button(this, "SelectFile", "Select Programming File", {220, 314 + dy, 190, 28});

    KeyAdd = button(this, "KeyAdd", "Add", {420, 10, 100, 28});
    KeyChange = button(this, "KeyChange", "Change", {420, 44, 100, 28});
    KeyDelete = button(this, "KeyDelete", "Delete", {420, 78, 100, 28});
    KeyDeleteAll = button(this, "KeyDeleteAll", "Delete all", {420, 112, 100, 28});
    QGroupBox* order = group("Order", {530, 4, 100, 100});
    Button8 = button(order, "Button8", "Up", {10, 22, 80, 28});
    Button9 = button(order, "Button9", "Down", {10, 58, 80, 28});
    // The order is changed by deleting and adding entries.
    Button8->setEnabled(false);
    Button9->setEnabled(false);
    QGroupBox* check = group("Hardware check", {420, 150, 210, 62});
    VerifyJtagChain = button(check, "VerifyJtagChain", "Verify JTAG configuration", {10, 24, 190, 28});
    QGroupBox* file = group("JTAG Chain File", {420, 220, 210, 62});
    SaveJCF = button(file, "SaveJCF", "Save JCF", {10, 24, 90, 28});
    LoadJCF = button(file, "LoadJCF", "Load JCF", {110, 24, 90, 28});

    ChainReport = new QLabel(this);
    ChainReport->setObjectName("ChainReport");
    ChainReport->setGeometry(10, 346 + dy, 400, 18);
    Image1 = new ChainWiringPicture(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(10, 366 + dy, 400, 96);

    KeyOK = button(this, "KeyOK", "OK", {430, 430 + dy, 95, 30});
    KeyCancel = button(this, "KeyCancel", "Cancel", {535, 430 + dy, 95, 30});
    setFixedSize(640, 470 + dy);

    connect(ChainDeviceList, &QTreeWidget::currentItemChanged, this, [this] {
        const int row = ChainDeviceList->indexOfTopLevelItem(ChainDeviceList->currentItem());
        if (row >= 0 && row != Model.SelectedRow)
            Act([this, row] { Model.SelectRow(row); });
    });
    // A click beside the rows takes the highlight away, not the current
    // row: it is highlighted again, since OK takes it.
    connect(ChainDeviceList, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (ChainDeviceList->selectedItems().isEmpty() && Model.SelectedRow >= 0)
            Repaint();
    });
    // A click on the current row shows its entry again.
    connect(ChainDeviceList, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        const int row = ChainDeviceList->indexOfTopLevelItem(item);
        if (row >= 0)
            Act([this, row] { Model.SelectRow(row); });
    });
    connect(KeyAdd, &QPushButton::clicked, this, [this] { Act([this] { return Model.Add(); }); });
    connect(KeyChange, &QPushButton::clicked, this, [this] { Act([this] { return Model.Change(); }); });
    connect(KeyDelete, &QPushButton::clicked, this, &TJTAGChainSetup::KeyDeleteClick);
    connect(KeyDeleteAll, &QPushButton::clicked, this, &TJTAGChainSetup::KeyDeleteAllClick);
    connect(VerifyJtagChain, &QPushButton::clicked, this, [this] { Act([this] { return Model.VerifyHardware(); }); });
    connect(SelectFile, &QPushButton::clicked, this, [this] {
        QString path = Dialogs.ProgFile(this);
        if (!path.isEmpty())
            CurrentProgFileName->setText(path);
    });
    connect(SaveJCF, &QPushButton::clicked, this, [this] {
        QString path = Dialogs.SaveJcf(this);
        if (!path.isEmpty())
            Act([this, path] { return Model.SaveJcf(path.toStdString()); });
    });
    connect(LoadJCF, &QPushButton::clicked, this, [this] {
        QString path = Dialogs.OpenJcf(this);
        if (!path.isEmpty())
            Act([this, path] { return Model.LoadJcf(path.toStdString()); });
    });
    connect(EditDeviceList, &QPushButton::clicked, this, &TJTAGChainSetup::EditDeviceListClick);
    connect(KeyOK, &QPushButton::clicked, this, &TJTAGChainSetup::KeyOKClick);
    connect(KeyCancel, &QPushButton::clicked, this, &TJTAGChainSetup::reject);
}

template <typename Action>
void TJTAGChainSetup::Act(Action action)
{
    TakeFields();
    if constexpr (std::is_void_v<decltype(action())>)
        action();
    else
        Say(action());
    Repaint();
}

void TJTAGChainSetup::KeyDeleteClick()
{
    Act([this] {
        if (Model.CanDelete() && op_.AskYesNo(DeleteChainEntryQuestion, false))
            Model.Delete();
    });
}

void TJTAGChainSetup::KeyDeleteAllClick()
{
    Act([this] {
        if (op_.AskYesNo(DeleteChainQuestion, false))
            Model.DeleteAll();
    });
}

void TJTAGChainSetup::Say(const ChainNotes& notes)
{
    for (const ChainNote& note : notes)
        if (ChainCheckMessage message = ChainNoteMessage(note); !message.Text.empty())
            op_.ShowMessage(message.Kind, message.Text);
}

void TJTAGChainSetup::TakeFields()
{
    Model.SelectorText = CurrentDeviceName->currentText().toStdString();
    Model.SelectorIndex = CurrentDeviceName->findText(CurrentDeviceName->currentText(), Qt::MatchExactly);
    Model.FileText = CurrentProgFileName->text().toStdString();
}

void TJTAGChainSetup::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    Say(Model.Open());
    Repaint();
}

void TJTAGChainSetup::Repaint()
{
    setWindowTitle(Q(Model.Caption));
    {
        QSignalBlocker block(CurrentDeviceName);
        CurrentDeviceName->clear();
        for (const std::string& name : Model.SelectorNames)
            CurrentDeviceName->addItem(Q(name));
        CurrentDeviceName->setCurrentIndex(Model.SelectorIndex);
        CurrentDeviceName->setEditText(Q(Model.SelectorText));
    }
    CurrentProgFileName->setText(Q(Model.FileText));
    {
        QSignalBlocker block(ChainDeviceList);
        // Rebuilt only when it changed: a click on a row repaints from
        // inside the list's own signal.
        bool same = ChainDeviceList->topLevelItemCount() == static_cast<int>(Model.Rows.size());
        for (int i = 0; same && i < ChainDeviceList->topLevelItemCount(); ++i)
            for (int column = 0; column < 3; ++column)
                same = same && ChainDeviceList->topLevelItem(i)->text(column) ==
                                   Q(Model.Rows[static_cast<size_t>(i)][static_cast<size_t>(column)]);
        if (!same) {
            ChainDeviceList->clear();
            for (const auto& row : Model.Rows)
                ChainDeviceList->addTopLevelItem(new QTreeWidgetItem({Q(row[0]), Q(row[1]), Q(row[2])}));
        }
        // The model's current row is the list's, highlighted; OK takes it.
        if (Model.SelectedRow >= 0 && Model.SelectedRow < ChainDeviceList->topLevelItemCount())
            ChainDeviceList->setCurrentItem(ChainDeviceList->topLevelItem(Model.SelectedRow));
        else
            ChainDeviceList->setCurrentItem(nullptr);
    }
    KeyChange->setEnabled(Model.ChangeEnabled);
    ChainReport->setText(Q(Model.Report));
    ChainReport->setVisible(!Model.Report.empty());
}

TJTAGDeviceDescription& TJTAGChainSetup::DeviceDialog()
{
    if (!deviceDialog_)
        deviceDialog_ = new TJTAGDeviceDescription(makeEditor_(), op_, this);
    return *deviceDialog_;
}

void TJTAGChainSetup::EditDeviceListClick()
{
    TakeFields();
    DeviceDialog().Run(CurrentDeviceName->currentIndex());
    Model.DevicesEdited();
    Repaint();
}

void TJTAGChainSetup::KeyOKClick()
{
    TakeFields();
    ChainNotes notes = Model.Ok();
    Say(notes);
    Repaint();
    if (!JtagChainSetup::Refused(notes))
        accept();
}

void TJTAGChainSetup::reject()
{
    TakeFields();
    Say(Model.Cancel());
    QDialog::reject();
}

} // namespace vorbrant
