#include "app/AdapterDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QVBoxLayout>

namespace vorbrant {

AdapterDialog::AdapterDialog(std::vector<FoundAdapter> found, const std::string& note, const std::string& current,
                             QWidget* parent)
    : QDialog(parent), found_(std::move(found))
{
    setObjectName("AdapterDialog");
    setWindowTitle("Adapter");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Adapters found (used from the next start on):", this));
    List = new QListWidget(this);
    List->setObjectName("AdapterList");
    for (const FoundAdapter& f : found_)
        List->addItem(QString::fromStdString(f.Label));
    // Nothing to choose: say so rather than show an empty list.
    if (found_.empty()) {
        auto* none = new QListWidgetItem("None found on this machine", List);
        none->setFlags(Qt::NoItemFlags);
    }
    layout->addWidget(List);
    if (!note.empty())
        layout->addWidget(new QLabel(QString::fromStdString(note), this));
    layout->addWidget(new QLabel("GPIO lines (c2ck=17,c2d=27 or tck=11,tms=25,tdi=10,tdo=9):", this));
    Lines = new QLineEdit(this);
    Lines->setObjectName("AdapterLines");
    layout->addWidget(Lines);
    Result = new QLabel(this);
    Result->setObjectName("AdapterChoice");
    layout->addWidget(Result);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &AdapterDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(List, &QListWidget::currentRowChanged, this, [this] { Update(); });
    connect(Lines, &QLineEdit::textChanged, this, [this] { Update(); });

    // The stored choice, selected again.
    for (size_t i = 0; i < found_.size(); ++i) {
        const std::string& option = found_[i].Option;
        if (current == option || (found_[i].Kind == AdapterKind::Gpio && current.starts_with(option))) {
            List->setCurrentRow(static_cast<int>(i));
            if (found_[i].Kind == AdapterKind::Gpio)
                Lines->setText(QString::fromStdString(current.substr(option.size())));
        }
    }
    Update();
}

std::string AdapterDialog::Choice() const
{
    const int row = List->currentRow();
    if (row < 0 || static_cast<size_t>(row) >= found_.size())
        return "";
    const FoundAdapter& f = found_[static_cast<size_t>(row)];
    return f.Kind == AdapterKind::Gpio ? f.Option + Lines->text().trimmed().toStdString() : f.Option;
}

void AdapterDialog::Update()
{
    const int row = List->currentRow();
    const bool gpio = row >= 0 && static_cast<size_t>(row) < found_.size() && found_[static_cast<size_t>(row)].Kind == AdapterKind::Gpio;
    Lines->setEnabled(gpio);
    const std::string choice = Choice();
    Result->setText(choice.empty() ? "No adapter chosen: the parallel port as set under Hardware port"
                                   : QString::fromStdString("--adapter=" + choice));
}

void AdapterDialog::accept()
{
    AdapterChoice parsed;
    std::string error;
    if (!ParseAdapterChoice(Choice(), parsed, error)) {
        QMessageBox::warning(this, "Adapter", QString::fromStdString(error));
        return;
    }
    QDialog::accept();
}

} // namespace vorbrant
