#include "app/Images.h"
#include "app/Animator.h"
#include "app/Splash.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
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

TEST(Images, EveryFileInTheIconFolderIsCompiledInAndValid)
{
    mainImage(0); // registers the resources
    const QStringList sources = svgFilesIn(QStringLiteral(VX_ICONS_DIR));
    ASSERT_FALSE(sources.isEmpty());
    EXPECT_EQ(svgFilesIn(u":/icons"_s), sources);
    for (const QString& name : sources) {
        QFile source(QStringLiteral(VX_ICONS_DIR) + u'/' + name);
        QFile compiled(u":/icons/"_s + name);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly)) << name.toStdString();
        ASSERT_TRUE(compiled.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_EQ(compiled.readAll(), source.readAll()) << name.toStdString() << " is stale";
        QSvgRenderer svg(compiled.fileName());
        EXPECT_TRUE(svg.isValid()) << name.toStdString();
        EXPECT_FALSE(svg.defaultSize().isEmpty()) << name.toStdString();
    }
    // Every index of the main list is drawn from one of these files, each from its own.
    QStringList used;
    for (int i = 0; i < kMainImageCount; ++i) {
        const QString file = mainImageFile(i);
        EXPECT_TRUE(sources.contains(file.mid(8))) << i << " " << file.toStdString();
        EXPECT_FALSE(used.contains(file)) << i;
        used << file;
    }
}

TEST(Images, EveryRoleRendersSharpAtTheRequestedSizeAndLooksUnlikeEveryOther)
{
    QList<QImage> seenOwn, seenMain;
    for (int i = 0; i < kMainImageCount; ++i) {
        for (const QIcon& icon : {ownImage(i), mainImage(i)}) {
            ASSERT_FALSE(icon.isNull()) << i;
            for (const int side : {16, 24, 64}) {
                const QImage image = rendered(icon, side);
                EXPECT_EQ(image.size(), QSize(side, side)) << i << " at " << side;
                EXPECT_GT(opaquePixels(image), side * side / 12) << i << " at " << side;
            }
            const QPixmap crisp = icon.pixmap(QSize(16, 16), 2.0);
            EXPECT_EQ(crisp.size(), QSize(32, 32)) << i;
        }
        // A disabled button shows the picture differently; large ones are drawn, not enlarged.
        EXPECT_NE(rendered(ownImage(i), 16, QIcon::Disabled), rendered(ownImage(i), 16)) << i;
        EXPECT_NE(rendered(ownImage(i), 64), rendered(ownImage(i), 16).scaled(64, 64)) << i;
        for (auto [seen, icon] : {std::pair{&seenOwn, ownImage(i)}, std::pair{&seenMain, mainImage(i)}}) {
            const QImage image = rendered(icon, 16);
            EXPECT_EQ(seen->indexOf(image), -1) << "index " << i << " looks like an earlier one";
            *seen << image;
        }
    }
    EXPECT_TRUE(mainImage(-1).isNull());
    EXPECT_TRUE(mainImage(kMainImageCount).isNull());
    EXPECT_TRUE(mainImageFile(kMainImageCount).isEmpty());
}

TEST(Images, FileRolesAreOursAndThemeNamesAreUnique)
{
    // The rows' pictures tell inside from outside and present from missing: no theme may blur it.
    for (const int role : {ImgInside, ImgOutside, ImgInsideMissing, ImgOutsideMissing, ImgGroup}) {
        EXPECT_TRUE(themeImageName(role).isEmpty()) << role;
        EXPECT_EQ(rendered(mainImage(role), 16), rendered(ownImage(role), 16)) << role;
    }
    QStringList names;
    for (int i = 0; i < kMainImageCount; ++i) {
        const QString name = themeImageName(i);
        EXPECT_TRUE(name.isEmpty() || !names.contains(name)) << i << " " << name.toStdString();
        names << name;
    }
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
            EXPECT_GT(opaquePixels(p.a.at(i).toImage()), 72 * 72 / 2) << i;
            EXPECT_EQ(p.b.at(i).size(), p.a.at(i).size()) << i;
            EXPECT_NE(p.a.at(i).toImage(), p.b.at(i).toImage()) << i;
            EXPECT_NE(p.a.at(i).toImage(), p.a.at((i + 1) % p.a.size()).toImage()) << i;
        }
    }
}

TEST(Images, AboutAndSplashPicturesDecode)
{
    EXPECT_GT(opaquePixels(logoPicture().toImage()), 170 * 290);
    const QImage egg = eggPicture().toImage();
    EXPECT_EQ(qAlpha(egg.pixel(0, 0)), 0);
    EXPECT_GT(opaquePixels(egg), 1000);
    EXPECT_GT(opaquePixels(makerLogo().toImage()), 1000);
    EXPECT_TRUE(QImageReader::supportedImageFormats().contains("jpeg"));
    EXPECT_EQ(splashPicture().size(), QSize(640, 480));
}

TEST(Splash, PaintsThePictureAndEachTickCountsAndTogglesTheLabel)
{
    TFormSplash splash;
    const QImage shot = splash.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(640, 480));
    EXPECT_EQ(shot.pixelColor(600, 100), splashPicture().toImage().pixelColor(600, 100));
    QLabel* label = splash.label();
    EXPECT_LE(label->pos().x() + label->sizeHint().width(), 640); // the whole text is readable
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
