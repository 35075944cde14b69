#include "app/Animator.h"
#include "app/Images.h"
#include "app/Splash.h"

#include <QImageReader>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx::app;

namespace {

QImage small(int index)
{
    return mainImage(index).pixmap(QSize(16, 16), 1.0).toImage().convertToFormat(
        QImage::Format_ARGB32);
}

// Sums of the colour channels over a square of the picture, weighted by coverage.
struct Channels
{
    double red = 0, green = 0, blue = 0;
};

Channels channels(const QImage& image, const QRect& area)
{
    Channels sum;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            sum.red += c.redF() * c.alphaF();
            sum.green += c.greenF() * c.alphaF();
            sum.blue += c.blueF() * c.alphaF();
        }
    return sum;
}

double saturation(const QImage& image)
{
    double total = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            total += c.hsvSaturationF() * c.alphaF();
        }
    return total;
}

int opaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
    return count;
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

TEST(Images, FileRolePicturesAreAllDifferent)
{
    const int roles[] = {ImgInside, ImgOutside, ImgInsideMissing, ImgOutsideMissing};
    for (const int a : roles)
        for (const int b : roles)
            if (a < b) {
                EXPECT_NE(small(a), small(b)) << a << " vs " << b;
            }
}

TEST(Images, InsideBadgeIsGreenAndOutsideBadgeIsBlue)
{
    const QRect badge(8, 8, 8, 8);
    const Channels inside = channels(small(ImgInside), badge);
    const Channels outside = channels(small(ImgOutside), badge);
    EXPECT_GT(inside.green, inside.blue * 1.2);
    EXPECT_GT(outside.blue, outside.green * 1.2);
}

TEST(Images, MissingPicturesAreGreyedAndMarkedRed)
{
    for (const auto& [present, missing] : {std::pair{ImgInside, ImgInsideMissing},
                                           std::pair{ImgOutside, ImgOutsideMissing}}) {
        const QImage lit = small(present);
        const QImage grey = small(missing);
        // The file part (top left) loses its colour but gains the red cross.
        const Channels before = channels(lit, QRect(2, 2, 8, 8));
        const Channels after = channels(grey, QRect(2, 2, 8, 8));
        EXPECT_GT(after.red - after.green, before.red - before.green + 1.0) << missing;
        EXPECT_LT(saturation(grey.copy(0, 12, 8, 4)), saturation(lit.copy(0, 12, 8, 4)))
            << missing;
    }
}

TEST(Images, EveryMainIndexHasItsOwnVisiblePicture)
{
    QList<QImage> seen;
    for (int i = 0; i < kMainImageCount; ++i) {
        const QIcon icon = mainImage(i);
        ASSERT_FALSE(icon.isNull()) << i;
        const QImage image = small(i);
        EXPECT_EQ(image.size(), QSize(16, 16)) << i;
        EXPECT_GT(opaquePixels(image), 20) << i;
        EXPECT_FALSE(seen.contains(image)) << "index " << i << " repeats an earlier picture";
        seen << image;
        const QPixmap crisp = icon.pixmap(QSize(16, 16), 2.0);
        EXPECT_EQ(crisp.size(), QSize(32, 32)) << i;
        EXPECT_DOUBLE_EQ(crisp.devicePixelRatio(), 2.0) << i;
    }
    EXPECT_TRUE(mainImage(-1).isNull());
    EXPECT_TRUE(mainImage(kMainImageCount).isNull());
}

TEST(Images, PicturesAreBuiltOncePerProcess)
{
    EXPECT_EQ(mainImage(ImgSave).cacheKey(), mainImage(ImgSave).cacheKey());
    EXPECT_EQ(animateFrames().first().cacheKey(), animateFrames().first().cacheKey());
    EXPECT_EQ(logoPicture().cacheKey(), logoPicture().cacheKey());
}

TEST(Images, WindowIconHasThreeDifferentFrames)
{
    const QList<QIcon> frames = iconFrames();
    ASSERT_EQ(frames.size(), 3);
    QList<QImage> images;
    for (const QIcon& icon : frames) {
        const QImage image = icon.pixmap(QSize(32, 32), 1.0).toImage();
        EXPECT_EQ(image.size(), QSize(32, 32));
        EXPECT_FALSE(images.contains(image));
        images << image;
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
        EXPECT_EQ(normal.at(i).size(), QSize(72, 72)) << i;
        EXPECT_EQ(alt.at(i).size(), QSize(72, 72)) << i;
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
        EXPECT_EQ(english.at(i).height(), 72);
        EXPECT_GE(english.at(i).width(), 200);
        EXPECT_EQ(chinese.at(i).size(), english.at(i).size());
        EXPECT_NE(english.at(i).toImage(), chinese.at(i).toImage()) << i;
        if (i > 0) {
            EXPECT_NE(english.at(i).toImage(), english.at(i - 1).toImage()) << i;
        }
    }
}

TEST(Images, AboutPagePictures)
{
    EXPECT_EQ(logoPicture().size(), QSize(177, 302));
    const QImage egg = eggPicture().toImage();
    EXPECT_EQ(egg.size(), QSize(100, 69));
    EXPECT_EQ(qAlpha(egg.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(egg.pixel(99, 68)), 0);
    EXPECT_GT(opaquePixels(egg), 1000);
    const QPixmap maker = makerLogo();
    EXPECT_FALSE(maker.isNull());
    EXPECT_LE(maker.width(), 64);
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

TEST(Splash, EachTickCountsAndTogglesTheLabel)
{
    TFormSplash splash;
    for (int i = 1; i <= 5; ++i) {
        splash.tick();
        EXPECT_EQ(splash.ticks(), i);
        EXPECT_EQ(splash.label()->isHidden(), i % 2 == 0) << i;
    }
}

TEST(Splash, TimerDrivesTheTicks)
{
    TFormSplash splash;
    splash.timer()->setInterval(5);
    EXPECT_TRUE(QTest::qWaitFor([&splash] { return splash.ticks() >= 3; }, 2000));
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
