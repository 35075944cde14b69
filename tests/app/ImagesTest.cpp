#include "app/Images.h"
#include "app/Splash.h"

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx::app;

namespace {

QImage rendered(const QIcon& icon, int side)
{
    return icon.pixmap(QSize(side, side), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
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

} // namespace

// Every index of the main list is drawn from a file of the icon folder of its own, at any size,
// unlike every other index.
TEST(Images, EveryIndexHasADistinctPictureFromACompiledInFile)
{
    mainImage(0); // registers the resources
    const QStringList sources = svgFilesIn(QStringLiteral(VX_ICONS_DIR));
    ASSERT_FALSE(sources.isEmpty());
    QStringList files;
    QList<QImage> seen;
    for (int i = 0; i < kMainImageCount; ++i) {
        SCOPED_TRACE(i);
        const QString file = mainImageFile(i);
        EXPECT_TRUE(sources.contains(file.mid(8)) && !files.contains(file)) << file.toStdString();
        files << file;
        EXPECT_GT(opaquePixels(rendered(mainImage(i), 64)), 64 * 64 / 12);
        const QImage image = rendered(ownImage(i), 16);
        EXPECT_GT(opaquePixels(image), 16 * 16 / 12);
        EXPECT_EQ(seen.indexOf(image), -1) << "looks like an earlier index";
        seen << image;
    }
    // The rows' pictures tell inside from outside and present from missing: no theme may blur it.
    for (const int role : {ImgInside, ImgOutside, ImgInsideMissing, ImgOutsideMissing, ImgGroup}) {
        EXPECT_TRUE(themeImageName(role).isEmpty()) << role;
        EXPECT_EQ(rendered(mainImage(role), 16), rendered(ownImage(role), 16)) << role;
    }
    EXPECT_TRUE(mainImage(kMainImageCount).isNull());
}

// The animations' frames differ from frame to frame, and the alternative lists (the Chinese tips)
// in every frame; the About page starts its animation at frame 8.
TEST(Images, FramesDifferAndTheSplashShowsItsPictureAndBlinksItsLabel)
{
    for (const auto& [a, b] :
         {std::pair{animateFrames(), animateFramesAlt()}, std::pair{tipFrames(false), tipFrames(true)}}) {
        ASSERT_EQ(b.size(), a.size());
        for (qsizetype i = 0; i < a.size(); ++i) {
            EXPECT_NE(a.at(i).toImage(), b.at(i).toImage()) << i;
            EXPECT_NE(a.at(i).toImage(), a.at((i + 1) % a.size()).toImage()) << i;
        }
    }

    // The splash is its picture (a JPEG: the image plugin must be there), its label blinking with
    // each tick of its own timer.
    TFormSplash splash;
    const QImage shot = splash.grab().toImage();
    ASSERT_EQ(shot.size(), splashPicture().size());
    EXPECT_EQ(shot.pixelColor(600, 100), splashPicture().toImage().pixelColor(600, 100));
    splash.tick();
    EXPECT_FALSE(splash.label()->isHidden()) << "shown by the first tick";
    splash.timer()->setInterval(5);
    EXPECT_TRUE(QTest::qWaitFor([&splash] { return splash.ticks() >= 8; }, 2000));
}
