#include "app/Images.h"
#include "app/Animator.h"
#include "app/Splash.h"
#include "support/TestFiles.h"

#include <QDir>
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
// a file of its own, at any size, unlike every other index, and with a theme name of its own.
TEST(Images, EveryIndexHasADistinctPictureFromACompiledInFile)
{
    mainImage(0); // registers the resources
    const QStringList sources = svgFilesIn(QStringLiteral(VX_ICONS_DIR));
    ASSERT_FALSE(sources.isEmpty());
    EXPECT_EQ(svgFilesIn(u":/icons"_s), sources);
    for (const QString& name : sources) {
        EXPECT_EQ(vx::test::readAll(u":/icons/"_s + name),
                  vx::test::readAll(QStringLiteral(VX_ICONS_DIR) + u'/' + name))
            << name.toStdString() << " is stale";
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
        for (auto [seen, icon] : {std::pair{&seenOwn, ownImage(i)}, std::pair{&seenMain, mainImage(i)}}) {
            for (const int side : {16, 64})
                EXPECT_GT(opaquePixels(rendered(icon, side)), side * side / 12) << side;
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
    EXPECT_TRUE(mainImage(kMainImageCount).isNull());
}

TEST(Images, FrameListsDifferFrameToFrameAndBetweenVariants)
{
    const QList<QIcon> icons = iconFrames();
    ASSERT_EQ(icons.size(), 3);
    QList<QImage> images;
    for (const QIcon& icon : icons) {
        const QImage image = rendered(icon, 32);
        EXPECT_GT(opaquePixels(image), 32 * 32 / 2); // the tile fills the square
        EXPECT_FALSE(images.contains(image));
        images << image;
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
            EXPECT_NE(a, p.b.at(i).toImage()) << i;
            EXPECT_NE(a, p.a.at((i + 1) % p.a.size()).toImage()) << i;
        }
    }
}

TEST(Images, AboutPicturesDecodeAndTheSplashShowsItsPictureAndBlinksItsLabel)
{
    const QImage logo = logoPicture().toImage(), egg = eggPicture().toImage();
    EXPECT_GT(opaquePixels(logo), logo.width() * logo.height() * 9 / 10);
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
    for (int i = 1; i <= 3; ++i) {
        splash.tick();
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
