// The About page's logo animation and links, and Launch on the Projects page.

#include "app/AboutPage.h"
#include "app/HelpWindow.h"
#include "support/FakeWine.h"
#include "support/MainWindowFixture.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

// Receives the links the desktop would open.
class UrlCatcher : public QObject
{
    Q_OBJECT
  public:
    QList<QUrl> urls;
    Q_INVOKABLE void open(const QUrl& url) { urls << url; }
};

using AboutPageTest = test::MainWindowFixture;

TEST_F(AboutPageTest, ThreePressesWithoutAMoveLetThePictureFallWhileTheWindowWaits)
{
    QLabel logo, egg;
    QTimer timer;
    QWidget window;
    app::LogoAnimation a(&logo, &egg, &timer, &window, [] { return 8; }); // 10 pixels a tick
    a.ImageLogoMouseDown();
    a.ImageLogoMouseDown();
    a.ImageLogoMouseMove();
    a.ImageLogoMouseDown();
    EXPECT_EQ(a.phase(), 0) << "a move in between starts the count again";
    a.ImageLogoMouseDown();
    a.ImageLogoMouseDown();
    EXPECT_EQ(a.phase(), 1);
    EXPECT_FALSE(window.isEnabled());
    EXPECT_TRUE(logo.isHidden());
    int ticks = 0;
    while (a.phase() == 1 && ticks < 100) {
        a.TimerEggTimer();
        ++ticks;
    }
    EXPECT_EQ(ticks, 23) << "from 5 down by 10 until below 230";
    a.TimerEggTimer();
    EXPECT_EQ(a.phase(), 0);
    EXPECT_TRUE(window.isEnabled());
    EXPECT_FALSE(logo.isHidden());
    EXPECT_TRUE(egg.isHidden());
    EXPECT_FALSE(timer.isActive());

    // The window's own logo hears the presses.
    auto w = start();
    QLabel* windowLogo = child<QLabel>(*w, u"ImageLogo"_s);
    for (int i = 0; i < 3; ++i) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), windowLogo->mapToGlobal(QPointF(5, 5)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(windowLogo, &press);
    }
    EXPECT_FALSE(w->isEnabled());
    while (w->logoAnimation().phase() != 0)
        w->logoAnimation().TimerEggTimer();
    EXPECT_TRUE(w->isEnabled());
}

TEST_F(AboutPageTest, LinksOpenWithTheDesktopAndLaunchStartsTheIdeThroughWine)
{
    auto w = start();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(u"https"_s, &catcher, "open");
    QDesktopServices::setUrlHandler(u"mailto"_s, &catcher, "open");
    child<app::ClickLabel>(*w, u"Image6"_s)->clicked();
    child<app::ClickLabel>(*w, u"RzLabelEmail"_s)->clicked();
    QDesktopServices::unsetUrlHandler(u"https"_s);
    QDesktopServices::unsetUrlHandler(u"mailto"_s);
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[0].scheme(), u"https"_s);
    EXPECT_TRUE(catcher.urls[1].toString().contains(u"subject=suggest"_s));
    EXPECT_TRUE(catcher.urls[1].toString().contains(u"cc="_s));

    {
        test::FakeWine wine(true);
        child<QPushButton>(*w, u"RzBitBtnLaunch"_s)->click();
        EXPECT_EQ(wine.calls(),
                  (QStringList{u"WINEPREFIX="_s + sb.prefix, sb.delphiHost + u"/bin/Delphi32.exe"_s}));
    }
    test::FakeWine none(false);
    child<QPushButton>(*w, u"RzBitBtnLaunch"_s)->click();
    EXPECT_TRUE(text(*w, u"RzStatusPaneMsg"_s).contains(u"Wine is needed"_s))
        << text(*w, u"RzStatusPaneMsg"_s).toStdString();
}

TEST_F(AboutPageTest, HelpOpensTheHelpFileThroughWineElseTheBuiltInGuide)
{
    auto w = start();
    auto* help = child<QAbstractButton>(*w, u"RzRapidFireButtonHelp"_s);
    ASSERT_TRUE(help->isEnabled());
    help->click();
    auto* guide = w->findChild<QDialog*>(u"HelpWindow"_s);
    ASSERT_NE(guide, nullptr) << "without Vorlix.hlp the guide answers";
    EXPECT_TRUE(guide->isVisible());
    EXPECT_TRUE(app::HelpWindow::guideText().contains(u"## Option page"_s));
    delete guide;

    test::writeAll(sb.delphiHost + u"/Vorlix.hlp"_s, "help file");
    test::FakeWine wine(true);
    help->click();
    EXPECT_EQ(wine.calls(),
              (QStringList{u"WINEPREFIX="_s + sb.prefix, u"winhlp32"_s, sb.delphiRoot + u"Vorlix.hlp"_s}));
    EXPECT_EQ(w->findChild<QDialog*>(u"HelpWindow"_s), nullptr);
}

} // namespace

#include "AboutPageTest.moc"
