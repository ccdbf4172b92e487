#pragma once
// TAboutBox: the program's title and version, and two links: the support
// e-mail address and the web site.
#include <QDialog>
#include <QUrl>

#include <functional>
#include <string>

class QFrame;
class QLabel;
class QPushButton;

namespace vorbrant {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    TAboutBox(std::string applicationTitle, std::string versionSuffix, QWidget* parent = nullptr);

    // The mail link: "mailto:" + address + "?subject=Vorbrant support&body=".
    static QUrl SupportUrl(const std::string& address);

    // Opening a link; QDesktopServices::openUrl unless a test replaces it.
    std::function<void(const QUrl&)> OpenUrl;

    void supportClick();
    void websiteClick();
    // Hover over one link, or over the panel outside both.
    void supportMouseMove();
    void websiteMouseMove();
    void APanel1MouseMove();

    QFrame* APanel1;
    QLabel* AboutVersion;
    QLabel* support;
    QLabel* website;
    QPushButton* AButton1;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void SetLinkLook(QLabel* label, bool hot);

    std::string title_;
    std::string versionSuffix_;
};

} // namespace vorbrant
