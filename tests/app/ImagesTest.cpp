#include "app/Animator.h"
#include "app/Images.h"
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
    return icon.pixmap(QSize(side, side), 1.0, mode).toImage().convertToFormat(
        QImage::Format_ARGB32);
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

TEST(Images, EveryRoleRendersAtTheRequestedSize)
{
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
            EXPECT_DOUBLE_EQ(crisp.devicePixelRatio(), 2.0) << i;
        }
        // A disabled button shows the picture differently.
        EXPECT_NE(rendered(ownImage(i), 16, QIcon::Disabled), rendered(ownImage(i), 16)) << i;
    }
    EXPECT_TRUE(mainImage(-1).isNull());
    EXPECT_TRUE(mainImage(kMainImageCount).isNull());
    EXPECT_TRUE(mainImageFile(kMainImageCount).isEmpty());
}

TEST(Images, LargeRenderingsAreDrawnNotEnlarged)
{
    // An enlarged 16-pixel picture would be made of 4 x 4 blocks of one colour.
    for (int i = 0; i < kMainImageCount; ++i) {
        const QImage large = rendered(ownImage(i), 64);
        const QImage enlarged = rendered(ownImage(i), 16).scaled(64, 64);
        EXPECT_NE(large, enlarged) << i;
    }
}

TEST(Images, EveryRoleLooksDifferentFromEveryOther)
{
    for (const auto& icon : {&ownImage, &mainImage}) {
        QList<QImage> seen;
        for (int i = 0; i < kMainImageCount; ++i) {
            const QImage image = rendered(icon(i), 16);
            const qsizetype earlier = seen.indexOf(image);
            EXPECT_EQ(earlier, -1) << "index " << i << " looks like index " << earlier;
            seen << image;
        }
    }
}

TEST(Images, FileRolesAreOursAndThemeNamesAreUnique)
{
    // The rows' pictures tell inside from outside and present from missing: no theme may blur it.
    for (const int role : {ImgInside, ImgOutside, ImgInsideMissing, ImgOutsideMissing, ImgGroup}) {
        EXPECT_TRUE(themeImageName(role).isEmpty()) << role;
        EXPECT_EQ(rendered(mainImage(role), 16), rendered(ownImage(role), 16)) << role;
    }
    // Two roles sharing a theme name would look alike under that theme.
    QStringList names;
    for (int i = 0; i < kMainImageCount; ++i) {
        const QString name = themeImageName(i);
        if (name.isEmpty())
            continue;
        EXPECT_FALSE(names.contains(name)) << i << " " << name.toStdString();
        names << name;
    }
    EXPECT_EQ(themeImageName(ImgNew), u"document-new"_s);
}

TEST(Images, PicturesAreBuiltOncePerProcess)
{
    EXPECT_EQ(ownImage(ImgSave).cacheKey(), ownImage(ImgSave).cacheKey());
    EXPECT_EQ(animateFrames().first().cacheKey(), animateFrames().first().cacheKey());
    EXPECT_EQ(logoPicture().cacheKey(), logoPicture().cacheKey());
}

TEST(Images, WindowIconHasThreeDifferentFramesAtAnySize)
{
    const QList<QIcon> frames = iconFrames();
    ASSERT_EQ(frames.size(), 3);
    for (const int side : {16, 32, 128}) {
        QList<QImage> images;
        for (const QIcon& icon : frames) {
            const QImage image = rendered(icon, side);
            EXPECT_EQ(image.size(), QSize(side, side));
            EXPECT_GT(opaquePixels(image), side * side / 2) << side; // the tile fills the square
            EXPECT_FALSE(images.contains(image)) << side;
            images << image;
        }
    }
}

TEST(Images, AnimationListsHaveMatchingFramesInOtherColours)
{
    const QList<QPixmap> normal = animateFrames();
    const QList<QPixmap> alt = animateFramesAlt();
    // The About page starts its animation at frame 8, so the lists must be longer than that.
    ASSERT_GT(normal.size(), 8);
    ASSERT_EQ(alt.size(), normal.size());
    for (qsizetype i = 0; i < normal.size(); ++i) {
        EXPECT_EQ(normal.at(i).deviceIndependentSize(), QSizeF(72, 72)) << i;
        EXPECT_EQ(alt.at(i).deviceIndependentSize(), QSizeF(72, 72)) << i;
        EXPECT_GT(opaquePixels(normal.at(i).toImage()), 72 * 72 / 2) << i;
        EXPECT_NE(normal.at(i).toImage(), alt.at(i).toImage()) << i;
        const qsizetype next = (i + 1) % normal.size();
        EXPECT_NE(normal.at(i).toImage(), normal.at(next).toImage()) << i;
    }
}

TEST(Images, TipFramesPerLanguage)
{
    const QList<QPixmap> english = tipFrames(false);
    const QList<QPixmap> chinese = tipFrames(true);
    ASSERT_GE(english.size(), 4);
    ASSERT_EQ(chinese.size(), english.size());
    for (qsizetype i = 0; i < english.size(); ++i) {
        EXPECT_EQ(english.at(i).deviceIndependentSize(), QSizeF(260, 72));
        EXPECT_EQ(chinese.at(i).size(), english.at(i).size());
        EXPECT_NE(english.at(i).toImage(), chinese.at(i).toImage()) << i;
        if (i > 0) {
            EXPECT_NE(english.at(i).toImage(), english.at(i - 1).toImage()) << i;
        }
    }
}

TEST(Images, AboutPagePictures)
{
    EXPECT_EQ(logoPicture().deviceIndependentSize(), QSizeF(177, 302));
    EXPECT_GT(opaquePixels(logoPicture().toImage()), 170 * 290);
    const QImage egg = eggPicture().toImage();
    EXPECT_EQ(eggPicture().deviceIndependentSize(), QSizeF(100, 69));
    EXPECT_EQ(qAlpha(egg.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(egg.pixel(egg.width() - 1, egg.height() - 1)), 0);
    EXPECT_GT(opaquePixels(egg), 1000);
    const QPixmap maker = makerLogo();
    EXPECT_EQ(maker.deviceIndependentSize(), QSizeF(48, 48));
    EXPECT_GT(opaquePixels(maker.toImage()), 1000);
    EXPECT_NE(logoPicture().toImage(), eggPicture().toImage());
}

TEST(Images, SplashJpegDecodes)
{
    EXPECT_TRUE(QImageReader::supportedImageFormats().contains("jpeg"));
    EXPECT_FALSE(splashPicture().isNull()); // also makes the resource available
    QImageReader reader(u":/vorlix/splash.jpg"_s);
    EXPECT_EQ(reader.format(), "jpeg");
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(image.size(), QSize(640, 480));
    EXPECT_EQ(splashPicture().size(), QSize(640, 480));
}

TEST(Splash, LayoutAndTimer)
{
    TFormSplash splash;
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(splash.size(), QSize(640, 480));
    EXPECT_EQ(splash.minimumSize(), splash.maximumSize());
    QLabel* label = splash.findChild<QLabel*>(u"Label1"_s);
    ASSERT_EQ(label, splash.label());
    EXPECT_EQ(label->text(), u"power by Delphi"_s);
    EXPECT_EQ(label->pos(), QPoint(536, 454));
    EXPECT_TRUE(label->font().bold());
    EXPECT_LE(label->pos().x() + label->sizeHint().width(), 640); // the whole text is readable
    EXPECT_EQ(label->palette().color(label->foregroundRole()), QColor(Qt::white));
    EXPECT_TRUE(label->isHidden());
    QTimer* timer = splash.findChild<QTimer*>(u"Timer"_s);
    ASSERT_EQ(timer, splash.timer());
    EXPECT_EQ(timer->interval(), 400);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(splash.ticks(), 0);
}

TEST(Splash, EachTickOfTheTimerCountsAndTogglesTheLabel)
{
    TFormSplash splash;
    for (int i = 1; i <= 5; ++i) {
        splash.tick();
        EXPECT_EQ(splash.ticks(), i);
        EXPECT_EQ(splash.label()->isHidden(), i % 2 == 0) << i;
    }
    splash.timer()->setInterval(5);
    EXPECT_TRUE(QTest::qWaitFor([&splash] { return splash.ticks() >= 8; }, 2000));
    EXPECT_EQ(splash.label()->isHidden(), splash.ticks() % 2 == 0);
}

TEST(Splash, PaintsThePicture)
{
    TFormSplash splash;
    const QImage shot = splash.grab().toImage();
    const QImage picture = splashPicture().toImage();
    ASSERT_EQ(shot.size(), QSize(640, 480));
    EXPECT_EQ(shot.pixelColor(20, 20), picture.pixelColor(20, 20));
    EXPECT_EQ(shot.pixelColor(600, 100), picture.pixelColor(600, 100));
}

TEST(Animator, StepsThroughTheFramesAndWraps)
{
    const QList<QPixmap> frames = numberedFrames(3);
    Animator animator;
    animator.setFrames(frames);
    EXPECT_EQ(shownFrame(animator, frames), 0);
    const int expected[] = {1, 2, 0, 1};
    for (const int want : expected) {
        animator.step();
        EXPECT_EQ(animator.frameIndex(), want);
        EXPECT_EQ(shownFrame(animator, frames), want);
    }
}

TEST(Animator, IndexOutsideTheListCountsAsFrameZero)
{
    const QList<QPixmap> frames = numberedFrames(4);
    Animator animator;
    animator.setFrames(frames);
    animator.setFrameIndex(8);
    EXPECT_EQ(animator.frameIndex(), 8);
    EXPECT_EQ(shownFrame(animator, frames), 0);
    animator.step();
    EXPECT_EQ(animator.frameIndex(), 1);
    EXPECT_EQ(shownFrame(animator, frames), 1);

    // Switching to a list keeps the index; a shorter list shows its first frame.
    animator.setFrameIndex(3);
    const QList<QPixmap> shorter = numberedFrames(2);
    animator.setFrames(shorter);
    EXPECT_EQ(animator.frameIndex(), 3);
    EXPECT_EQ(shownFrame(animator, shorter), 0);
    animator.setFrames(frames);
    EXPECT_EQ(shownFrame(animator, frames), 3);
}

TEST(Animator, TimerAdvancesOnlyWhileAnimating)
{
    const QList<QPixmap> frames = numberedFrames(5);
    Animator animator;
    animator.setFrames(frames);
    animator.setInterval(5);
    EXPECT_FALSE(animator.isAnimating());
    animator.setAnimating(true);
    EXPECT_TRUE(QTest::qWaitFor([&animator] { return animator.frameIndex() >= 2; }, 2000));
    animator.setAnimating(false);
    const int stopped = animator.frameIndex();
    QTest::qWait(40);
    EXPECT_EQ(animator.frameIndex(), stopped);
}

TEST(Animator, EmptyListShowsNothing)
{
    Animator animator;
    animator.setFrames(numberedFrames(2));
    animator.setFrames({});
    EXPECT_TRUE(animator.pixmap().isNull());
    animator.step();
    EXPECT_EQ(animator.frameIndex(), 0);
}
