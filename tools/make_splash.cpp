// Renders the start-up picture src/app/resources/splash.jpg (640 x 480).
//
// Not part of the build. To regenerate the picture:
//   g++ -std=c++20 -fPIC tools/make_splash.cpp -o /tmp/make_splash $(pkg-config --cflags --libs Qt6Gui)
//   QT_QPA_PLATFORM=offscreen /tmp/make_splash src/app/resources/splash.jpg
// The bottom-right corner stays dark: the splash window blinks a white label there.

#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

void background(QPainter& p)
{
    QLinearGradient sky(0, 0, kWidth, kHeight);
    sky.setColorAt(0.0, QColor(14, 28, 62));
    sky.setColorAt(0.55, QColor(22, 70, 120));
    sky.setColorAt(1.0, QColor(12, 40, 60));
    p.fillRect(0, 0, kWidth, kHeight, sky);

    QRadialGradient glow(QPointF(470, 150), 330);
    glow.setColorAt(0, QColor(40, 190, 200, 120));
    glow.setColorAt(1, QColor(40, 190, 200, 0));
    p.fillRect(0, 0, kWidth, kHeight, glow);

    QRadialGradient warm(QPointF(90, 420), 260);
    warm.setColorAt(0, QColor(240, 150, 60, 70));
    warm.setColorAt(1, QColor(240, 150, 60, 0));
    p.fillRect(0, 0, kWidth, kHeight, warm);
}

void rings(QPainter& p)
{
    const QPointF c(470, 170);
    for (int i = 0; i < 7; ++i) {
        const qreal r = 60 + i * 34;
        QPen pen(QColor(255, 255, 255, 46 - i * 5), 1.5 + (i % 2));
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
        const int start = (i * 47) % 360;
        p.drawArc(box, start * 16, (200 - i * 12) * 16);
    }
    // dots along the outer orbit
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 9; ++i) {
        const qreal a = qDegreesToRadians(110.0 + i * 10.0);
        const qreal r = 230;
        p.setBrush(QColor(255, 214, 92, 200 - i * 18));
        p.drawEllipse(QPointF(c.x() + r * qCos(a), c.y() - r * qSin(a)), 4.0 - i * 0.3, 4.0 - i * 0.3);
    }
}

void facets(QPainter& p)
{
    // Translucent triangles drifting across the left half.
    struct Facet
    {
        QPointF a, b, c;
        QColor color;
    };
    const Facet facets[] = {
        {{0, 0}, {230, 0}, {0, 190}, QColor(80, 140, 255, 40)},
        {{0, 120}, {170, 60}, {60, 300}, QColor(40, 200, 210, 34)},
        {{120, 0}, {330, 0}, {210, 120}, QColor(255, 255, 255, 18)},
        {{0, 330}, {150, 480}, {0, 480}, QColor(255, 170, 80, 36)},
        {{380, 480}, {520, 330}, {640, 480}, QColor(0, 0, 0, 60)},
    };
    p.setPen(Qt::NoPen);
    for (const Facet& f : facets) {
        p.setBrush(f.color);
        p.drawPolygon(QPolygonF{f.a, f.b, f.c});
    }
    QPen line(QColor(255, 255, 255, 26), 1.0);
    p.setPen(line);
    for (int x = -480; x < kWidth; x += 22)
        p.drawLine(QPointF(x, kHeight), QPointF(x + 160, kHeight - 160));
}

void emblem(QPainter& p, const QPointF& c, qreal r)
{
    QRadialGradient disc(c, r);
    disc.setColorAt(0, QColor(50, 110, 200));
    disc.setColorAt(1, QColor(20, 150, 160));
    p.setPen(QPen(QColor(255, 255, 255, 120), 2));
    p.setBrush(disc);
    p.drawEllipse(c, r, r);
    QPainterPath vee;
    vee.moveTo(c.x() - r * 0.42, c.y() - r * 0.36);
    vee.lineTo(c.x(), c.y() + r * 0.45);
    vee.lineTo(c.x() + r * 0.42, c.y() - r * 0.36);
    QPen shadow(QColor(0, 20, 50, 120), r * 0.26);
    shadow.setCapStyle(Qt::RoundCap);
    shadow.setJoinStyle(Qt::RoundJoin);
    p.setPen(shadow);
    p.setBrush(Qt::NoBrush);
    p.drawPath(vee.translated(2, 3));
    QPen stroke(Qt::white, r * 0.2);
    stroke.setCapStyle(Qt::RoundCap);
    stroke.setJoinStyle(Qt::RoundJoin);
    p.setPen(stroke);
    p.drawPath(vee);
}

void title(QPainter& p)
{
    QFont big(u"DejaVu Sans"_s);
    big.setPixelSize(58);
    big.setBold(true);
    QPainterPath text;
    text.addText(48, 300, big, u"Delphi Vorlix"_s);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawPath(text.translated(3, 4));
    QLinearGradient fill(0, 250, 0, 305);
    fill.setColorAt(0, Qt::white);
    fill.setColorAt(1, QColor(190, 230, 245));
    p.setBrush(fill);
    p.drawPath(text);

    p.setPen(QPen(QColor(255, 214, 92), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(52, 324), QPointF(200, 324));

    QFont sub(u"DejaVu Sans"_s);
    sub.setPixelSize(22);
    p.setFont(sub);
    p.setPen(QColor(220, 236, 250));
    p.drawText(QPointF(52, 362), u"configuration manager for Delphi 7"_s);

    QFont small(u"DejaVu Sans"_s);
    small.setPixelSize(13);
    p.setFont(small);
    p.setPen(QColor(170, 200, 225));
    p.drawText(QPointF(52, 392), u"experts \u00b7 packages \u00b7 tools \u00b7 search paths"_s);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_splash OUTPUT.jpg\n");
        return 2;
    }
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    background(p);
    facets(p);
    rings(p);
    emblem(p, QPointF(470, 170), 54);
    title(p);
    p.end();

    QImageWriter writer(QString::fromLocal8Bit(argv[1]), "jpeg");
    writer.setQuality(90);
    writer.setOptimizedWrite(true);
    if (!writer.write(image)) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[1], qPrintable(writer.errorString()));
        return 1;
    }
    return 0;
}
