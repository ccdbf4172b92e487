#include "about/ui/AboutBox.h"

#include "BuildInfo.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorbrant {

TAboutBox::TAboutBox(std::string applicationTitle, std::string versionSuffix, QWidget* parent)
    : QDialog(parent), title_(std::move(applicationTitle)), versionSuffix_(std::move(versionSuffix))
{
    setObjectName("TAboutBox");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setModal(true);
    OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

    APanel1 = new QFrame(this);
    APanel1->setObjectName("APanel1");
    APanel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    APanel1->setMouseTracking(true);
    APanel1->installEventFilter(this);

    AboutVersion = new QLabel(APanel1);
    AboutVersion->setObjectName("AboutVersion");
    AboutVersion->setAlignment(Qt::AlignCenter);
    QFont big = AboutVersion->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    AboutVersion->setFont(big);

    support = new QLabel(QString("e-mail: ") + build::SupportEmail, APanel1);
    support->setObjectName("support");
    website = new QLabel(build::WebSite, APanel1);
    website->setObjectName("website");
    for (QLabel* link : {support, website}) {
        link->setAlignment(Qt::AlignCenter);
        link->setMouseTracking(true);
        link->installEventFilter(this);
        SetLinkLook(link, false);
    }

    auto* inner = new QVBoxLayout(APanel1);
    inner->setContentsMargins(16, 16, 16, 16);
    inner->setSpacing(10);
    inner->addWidget(AboutVersion);
    inner->addWidget(support);
    inner->addWidget(website);

    AButton1 = new QPushButton("Close", this);
    AButton1->setObjectName("AButton1");
    AButton1->setDefault(true);
    connect(AButton1, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(APanel1);
    layout->addWidget(AButton1, 0, Qt::AlignHCenter);
    setFixedSize(300, 190);
}

QUrl TAboutBox::SupportUrl(const std::string& address)
{
    return QUrl(QString::fromStdString("mailto:" + address + "?subject=Vorbrant support&body="));
}

void TAboutBox::showEvent(QShowEvent* event)
{
    // Refreshed at every opening.
    setWindowTitle(QString::fromStdString(title_));
    AboutVersion->setText(QString::fromStdString(title_ + versionSuffix_));
    APanel1MouseMove();
    QDialog::showEvent(event);
}

void TAboutBox::SetLinkLook(QLabel* label, bool hot)
{
    QFont f = label->font();
    f.setUnderline(hot);
    label->setFont(f);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, hot ? Qt::blue : Qt::black);
    label->setPalette(p);
    label->setCursor(hot ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TAboutBox::supportMouseMove()
{
    SetLinkLook(support, true);
    SetLinkLook(website, false);
}

void TAboutBox::websiteMouseMove()
{
    SetLinkLook(website, true);
    SetLinkLook(support, false);
}

void TAboutBox::APanel1MouseMove()
{
    SetLinkLook(support, false);
    SetLinkLook(website, false);
}

void TAboutBox::supportClick() { OpenUrl(SupportUrl(build::SupportEmail)); }

void TAboutBox::websiteClick() { OpenUrl(QUrl::fromUserInput(build::WebSite)); }

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        // A label does not take the move itself; it would reach the panel
        // underneath and reset the link just lit.
        if (watched == support) {
            supportMouseMove();
            return true;
        }
        if (watched == website) {
            websiteMouseMove();
            return true;
        }
        if (watched == APanel1)
            APanel1MouseMove();
    } else if (event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == support) {
            supportClick();
            return true;
        }
        if (watched == website) {
            websiteClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vorbrant
