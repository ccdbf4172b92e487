#pragma once
// TJTAGChainSetup, "JTAG Chain Setup": the chain list, the device selector
// and programming file, Add/Change/Delete/Delete all, the JCF file buttons,
// the hardware check, the wiring picture, OK and Cancel. The window only
// shows JtagChainSetup.
#include "chain/JtagChainSetup.h"
#include "chain/JtagDeviceEditor.h"
#include "common/Operator.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace vorbrant {

class TJTAGDeviceDescription;

// The wiring of a chain to the adapter, drawn.
class ChainWiringPicture : public QWidget {
public:
    explicit ChainWiringPicture(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TJTAGChainSetup : public QDialog {
    Q_OBJECT
public:
    // The file dialogs, replaceable by tests: they return the chosen path
    // or an empty text.
    struct FileDialogs {
        std::function<QString(QWidget*)> ProgFile;
        std::function<QString(QWidget*)> OpenJcf;
        std::function<QString(QWidget*)> SaveJcf;
    };

    // op: the boxes and questions of both dialogs.
    TJTAGChainSetup(ChainSetupContext context, std::function<JtagDeviceEditor()> makeEditor, Operator& op,
                    QWidget* parent = nullptr);

    JtagChainSetup Model;
    FileDialogs Dialogs;

    QTreeWidget* ChainDeviceList;
    QComboBox* CurrentDeviceName;
    QLineEdit* CurrentProgFileName;
    QPushButton* EditDeviceList;
    QPushButton* SelectFile;
    QPushButton* KeyAdd;
    QPushButton* KeyChange;
    QPushButton* KeyDelete;
    QPushButton* KeyDeleteAll;
    QPushButton* Button8;
    QPushButton* Button9;
    QPushButton* VerifyJtagChain;
    QPushButton* SaveJCF;
    QPushButton* LoadJCF;
    QPushButton* KeyOK;
    QPushButton* KeyCancel;
    QLabel* ChainReport;
    ChainWiringPicture* Image1;

    // The device list dialog, made at its first use.
    TJTAGDeviceDescription& DeviceDialog();
    void Repaint();

protected:
    void showEvent(QShowEvent* event) override;
    // Escape and the close box are Cancel.
    void reject() override;

private:
    void EditDeviceListClick();
    // Delete and Delete all ask first.
    void KeyDeleteClick();
    void KeyDeleteAllClick();
    void KeyOKClick();
    // Takes what the selector and the file field hold into the model.
    void TakeFields();
    // The model's action, then what it has to say, then the repaint.
    template <typename Action>
    void Act(Action action);
    void Say(const ChainNotes& notes);

    Operator& op_;
    std::function<JtagDeviceEditor()> makeEditor_;
    TJTAGDeviceDescription* deviceDialog_ = nullptr;
};

} // namespace vorbrant
