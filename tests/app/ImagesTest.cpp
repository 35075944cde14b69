#include "app/Images.h"
#include "app/Animator.h"
#include "app/Splash.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QSvgRenderer>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx::app;

namespace {

QImage rendered(const QIcon& icon, int side, QIcon::Mode mode = QIcon::Normal)
{
    return icon.pixmap(QSize(side, side), 1.0, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Pixels at least half covered.
int opaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
    return count;
}

QStringList svgFilesIn(const QString& folder)
{
    return QDir(folder).entryList({u"*.svg"_s}, QDir::Files, QDir::Name);
}

QList<QPixmap> numberedFrames(int count)
{
    QList<QPixmap> frames;
    for (int i = 0; i < count; ++i) {
        QPixmap frame(4, 4);
        frame.fill(QColor(i * 40, 0, 0));
        frames << frame;
    }
    return frames;
}

// The frame on display, by its position in `frames`, or -1.
int shownFrame(const Animator& animator, const QList<QPixmap>& frames)
{
    const qint64 key = animator.pixmap().cacheKey();
    for (int i = 0; i < frames.size(); ++i)
        if (frames.at(i).cacheKey() == key)
            return i;
    return -1;
}

} // namespace

// Every file of the icon folder is compiled in as it is; every index of the main list is drawn from
// a file of its own, sharp at any size, unlike every other index, and with a theme name of its own.
TEST(Images, EveryIndexHasASharpDistinctPictureFromACompiledInFile)
{
    mainImage(0); // registers the resources
    const QStringList sources = svgFilesIn(QStringLiteral(VX_ICONS_DIR));
    ASSERT_FALSE(sources.isEmpty());
    EXPECT_EQ(svgFilesIn(u":/icons"_s), sources);
    for (const QString& name : sources) {
        EXPECT_EQ(vx::test::readAll(u":/icons/"_s + name),
                  vx::test::readAll(QStringLiteral(VX_ICONS_DIR) + u'/' + name))
            << name.toStdString() << " is stale";
        QSvgRenderer svg(u":/icons/"_s + name);
        EXPECT_TRUE(svg.isValid() && !svg.defaultSize().isEmpty()) << name.toStdString();
    }
    QStringList files, themes;
    QList<QImage> seenOwn, seenMain;
    for (int i = 0; i < kMainImageCount; ++i) {
        SCOPED_TRACE(i);
        const QString file = mainImageFile(i), theme = themeImageName(i);
        EXPECT_TRUE(sources.contains(file.mid(8))) << file.toStdString();
        EXPECT_FALSE(files.contains(file));
        EXPECT_TRUE(theme.isEmpty() || !themes.contains(theme)) << theme.toStdString();
        files << file;
        themes << theme;
        const QIcon own = ownImage(i);
        for (const QIcon& icon : {own, mainImage(i)}) {
            ASSERT_FALSE(icon.isNull());
            for (const int side : {16, 24, 64}) {
                const QImage image = rendered(icon, side);
                EXPECT_EQ(image.size(), QSize(side, side)) << side;
                EXPECT_GT(opaquePixels(image), side * side / 12) << side;
            }
            EXPECT_EQ(icon.pixmap(QSize(16, 16), 2.0).size(), QSize(32, 32)) << "drawn for the pixel ratio";
        }
        // A disabled button shows the picture differently; large ones are drawn, not enlarged.
        EXPECT_NE(rendered(own, 16, QIcon::Disabled), rendered(own, 16));
        EXPECT_NE(rendered(own, 64), rendered(own, 16).scaled(64, 64));
        for (auto [seen, icon] : {std::pair{&seenOwn, own}, std::pair{&seenMain, mainImage(i)}}) {
            const QImage image = rendered(icon, 16);
            EXPECT_EQ(seen->indexOf(image), -1) << "looks like an earlier index";
            *seen << image;
        }
    }
    // The rows' pictures tell inside from outside and present from missing: no theme may blur it.
    for (const int role : {ImgInside, ImgOutside, ImgInsideMissing, ImgOutsideMissing, ImgGroup}) {
        EXPECT_TRUE(themeImageName(role).isEmpty()) << role;
        EXPECT_EQ(rendered(mainImage(role), 16), rendered(ownImage(role), 16)) << role;
    }
    EXPECT_TRUE(mainImage(-1).isNull());
    EXPECT_TRUE(mainImage(kMainImageCount).isNull());
    EXPECT_TRUE(mainImageFile(kMainImageCount).isEmpty());
}

TEST(Images, FrameListsDifferFrameToFrameAndBetweenVariants)
{
    const QList<QIcon> icons = iconFrames();
    ASSERT_EQ(icons.size(), 3);
    for (const int side : {16, 128}) {
        QList<QImage> images;
        for (const QIcon& icon : icons) {
            const QImage image = rendered(icon, side);
            EXPECT_GT(opaquePixels(image), side * side / 2) << side; // the tile fills the square
            EXPECT_FALSE(images.contains(image)) << side;
            images << image;
        }
    }
    // The About page starts its animation at frame 8, so the lists must be longer than that.
    struct Pair
    {
        QList<QPixmap> a, b;
        qsizetype minSize;
    };
    for (const Pair& p :
         {Pair{animateFrames(), animateFramesAlt(), 9}, Pair{tipFrames(false), tipFrames(true), 4}}) {
        ASSERT_GE(p.a.size(), p.minSize);
        ASSERT_EQ(p.b.size(), p.a.size());
        for (qsizetype i = 0; i < p.a.size(); ++i) {
            const QImage a = p.a.at(i).toImage();
            EXPECT_GT(opaquePixels(a), a.width() * a.height() / 2) << i;
            EXPECT_EQ(p.b.at(i).size(), p.a.at(i).size()) << i;
            EXPECT_NE(a, p.b.at(i).toImage()) << i;
            EXPECT_NE(a, p.a.at((i + 1) % p.a.size()).toImage()) << i;
        }
    }
}

TEST(Images, AboutPicturesDecodeAndTheSplashShowsItsPictureAndBlinksItsLabel)
{
    const QImage logo = logoPicture().toImage(), egg = eggPicture().toImage();
    EXPECT_GT(opaquePixels(logo), logo.width() * logo.height() * 9 / 10);
    EXPECT_EQ(qAlpha(egg.pixel(0, 0)), 0);
    EXPECT_GT(opaquePixels(egg), 1000);
    EXPECT_GT(opaquePixels(makerLogo().toImage()), 1000);

    // The splash is its picture (a JPEG: the image plugin must be there), the label readable on it.
    TFormSplash splash;
    const QImage shot = splash.grab().toImage();
    ASSERT_EQ(shot.size(), splashPicture().size());
    EXPECT_EQ(shot.pixelColor(600, 100), splashPicture().toImage().pixelColor(600, 100));
    QLabel* label = splash.label();
    EXPECT_LE(label->pos().x() + label->sizeHint().width(), shot.width());
    // Each tick counts and shows or hides the label, on the splash's own timer too.
    EXPECT_TRUE(label->isHidden());
    EXPECT_TRUE(splash.timer()->isActive());
    for (int i = 1; i <= 5; ++i) {
        splash.tick();
        EXPECT_EQ(splash.ticks(), i);
        EXPECT_EQ(label->isHidden(), i % 2 == 0) << i;
    }
    splash.timer()->setInterval(5);
    EXPECT_TRUE(QTest::qWaitFor([&splash] { return splash.ticks() >= 8; }, 2000));
}

TEST(Animator, StepsWrapsAndTreatsAnIndexOutsideTheListAsFrameZero)
{
    const QList<QPixmap> frames = numberedFrames(4);
    Animator animator;
    animator.setFrames(frames);
    for (const int want : {1, 2, 3, 0}) {
        animator.step();
        EXPECT_EQ(shownFrame(animator, frames), want);
    }
    animator.setFrameIndex(8);
    EXPECT_EQ(shownFrame(animator, frames), 0);
    animator.step();
    EXPECT_EQ(animator.frameIndex(), 1);
    // Switching to a list keeps the index; a shorter list shows its first frame.
    animator.setFrameIndex(3);
    const QList<QPixmap> shorter = numberedFrames(2);
    animator.setFrames(shorter);
    EXPECT_EQ(shownFrame(animator, shorter), 0);
    animator.setFrames(frames);
    EXPECT_EQ(shownFrame(animator, frames), 3);
    animator.setFrames({});
    EXPECT_TRUE(animator.pixmap().isNull());
}

TEST(Animator, TimerAdvancesOnlyWhileAnimating)
{
    Animator animator;
    animator.setFrames(numberedFrames(5));
    animator.setInterval(5);
    animator.setAnimating(true);
    EXPECT_TRUE(QTest::qWaitFor([&animator] { return animator.frameIndex() >= 2; }, 2000));
    animator.setAnimating(false);
    const int stopped = animator.frameIndex();
    QTest::qWait(40);
    EXPECT_EQ(animator.frameIndex(), stopped);
}
