#pragma once
// "Adapter...": the adapters the system has (LPT ports, GPIO chips, FT232H
// devices, as --list-adapters finds them) and, for a GPIO chip, the line
// assignment. OK stores the choice in the configuration; it is used from
// the next start on (the programmer is composed once, at start).
#include "session/AdapterOptions.h"

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;

namespace vorbrant {

class AdapterDialog : public QDialog {
    Q_OBJECT
public:
    // found: the adapters to offer; current: the stored --adapter text.
    AdapterDialog(std::vector<FoundAdapter> found, const std::string& note, const std::string& current,
                  QWidget* parent = nullptr);

    // The --adapter text chosen (valid once accepted).
    std::string Choice() const;

private:
    void Update();
    void accept() override;

    std::vector<FoundAdapter> found_;
    QListWidget* List;
    QLineEdit* Lines;
    QLabel* Result;
};

} // namespace vorbrant
