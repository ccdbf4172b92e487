#include "tests/app/AppTestSupport.h"

#include "about/ui/AboutBox.h"

#include <QAction>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace vorbrant;
using namespace vorbrant::testing;

namespace {

bool Hot(QLabel* link)
{
    return link->font().underline() && link->palette().color(QPalette::WindowText) == QColor(Qt::blue) &&
           link->cursor().shape() == Qt::PointingHandCursor;
}

bool Plain(QLabel* link)
{
    return !link->font().underline() && link->palette().color(QPalette::WindowText) == QColor(Qt::black) &&
           link->cursor().shape() == Qt::ArrowCursor;
}

void Send(QWidget* w, QEvent::Type type)
{
    QMouseEvent e(type, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton,
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST(AboutBox, CaptionAndVersionAreRefreshedAtEveryOpening)
{
    EnsureApp();
    TAboutBox box("Vorbrant Lite", " 1.0.0.1");
    box.setModal(false);
    box.show();
    EXPECT_EQ(box.windowTitle(), "Vorbrant Lite");
    EXPECT_EQ(box.AboutVersion->text(), "Vorbrant Lite 1.0.0.1");
    EXPECT_EQ(box.support->text(), "e-mail: support@vorbrant.example");
    EXPECT_EQ(box.website->text(), "www.vorbrant.example");
    EXPECT_EQ(box.AButton1->text(), "Close");
    box.AboutVersion->setText("changed");
    box.setWindowTitle("changed");
    box.hide();
    box.show();
    EXPECT_EQ(box.windowTitle(), "Vorbrant Lite");
    EXPECT_EQ(box.AboutVersion->text(), "Vorbrant Lite 1.0.0.1");
    box.AButton1->click();
    EXPECT_FALSE(box.isVisible());
}

TEST(AboutBox, HoverSwitchesTheLinksInOneStep)
{
    EnsureApp();
    TAboutBox box("Vorbrant Lite", " 1.0.0.1");
    box.show();
    EXPECT_TRUE(Plain(box.support) && Plain(box.website));
    Send(box.support, QEvent::MouseMove);
    EXPECT_TRUE(Hot(box.support));
    EXPECT_TRUE(Plain(box.website));
    Send(box.website, QEvent::MouseMove);
    EXPECT_TRUE(Hot(box.website));
    EXPECT_TRUE(Plain(box.support));
    Send(box.APanel1, QEvent::MouseMove);
    EXPECT_TRUE(Plain(box.support) && Plain(box.website));
    box.reject();
}

TEST(AboutBox, LinksOpenMailWithSubjectAndTheWebSite)
{
    EnsureApp();
    TAboutBox box("Vorbrant Lite", " 1.0.0.1");
    std::vector<QUrl> opened;
    box.OpenUrl = [&](const QUrl& url) { opened.push_back(url); };
    Send(box.support, QEvent::MouseButtonRelease);
    Send(box.website, QEvent::MouseButtonRelease);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].scheme(), "mailto");
    EXPECT_EQ(opened[0].path(), "support@vorbrant.example");
    EXPECT_EQ(opened[0].query(QUrl::FullyDecoded), "subject=Vorbrant support&body=");
    EXPECT_EQ(opened[1].host(), "www.vorbrant.example");
    QUrl other = TAboutBox::SupportUrl("a@b.example");
    EXPECT_EQ(other.path(), "a@b.example");
    EXPECT_EQ(other.query(QUrl::FullyDecoded), "subject=Vorbrant support&body=");
}

TEST(AboutBox, TheAboutMenuOpensItModallyAndEscapeClosesIt)
{
    FormRig rig;
    rig.Start();
    TMainForm& f = *rig.Form;
    QString caption, version;
    bool closedByEscape = false;
    WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<TAboutBox*>(modal);
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        version = box->AboutVersion->text();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(box, &escape);
        closedByEscape = !box->isVisible();
    });
    f.About1->trigger();
    EXPECT_EQ(caption, "Vorbrant Lite");
    EXPECT_EQ(version.toStdString(), "Vorbrant Lite" + f.VersionSuffix);
    EXPECT_TRUE(closedByEscape);
}
