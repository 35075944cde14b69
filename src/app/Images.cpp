#include "app/Images.h"

#include <QFont>
#include <QImage>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <array>
#include <functional>

using namespace Qt::StringLiterals;

// The resources live in a static library: without this reference the linker drops them.
// (The macro has to be used outside any namespace.)
static void initAppResources()
{
    Q_INIT_RESOURCE(app);
}

namespace vx::app {

namespace {

using Painting = std::function<void(QPainter&)>;

// Palette shared by the small pictures.
const QColor kInk(52, 62, 82);
const QColor kPaperTop(255, 255, 255);
const QColor kPaperBottom(222, 228, 236);
const QColor kFold(196, 205, 218);
const QColor kBlue(47, 111, 214);
const QColor kBlueDark(28, 66, 140);
const QColor kGreen(46, 158, 79);
const QColor kGreenDark(24, 104, 50);
const QColor kRed(217, 58, 58);
const QColor kRedDark(140, 28, 28);
const QColor kYellow(255, 214, 92);
const QColor kYellowDark(168, 116, 28);
const QColor kOrange(240, 138, 36);
const QColor kPurple(123, 79, 196);

// Paints `paint` on a transparent square of `logical` pixels at the device pixel ratio `dpr`;
// the painter works in logical coordinates.
QImage renderImage(int logical, qreal dpr, const Painting& paint)
{
    const int side = qRound(logical * dpr);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(dpr);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform
                     | QPainter::TextAntialiasing);
    paint(p);
    p.end();
    return image;
}

QImage renderImage(const QSize& size, const Painting& paint)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform
                     | QPainter::TextAntialiasing);
    paint(p);
    p.end();
    return image;
}

qreal devicePixelRatioOf(const QPainter& p)
{
    return p.device() ? p.device()->devicePixelRatioF() : 1.0;
}

QPen pen(const QColor& color, qreal width = 1.0)
{
    QPen result(color, width);
    result.setCapStyle(Qt::RoundCap);
    result.setJoinStyle(Qt::RoundJoin);
    return result;
}

QLinearGradient vertical(const QRectF& r, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QRadialGradient shine(const QPointF& centre, qreal radius, const QColor& color)
{
    QRadialGradient g(centre.x() - radius * 0.35, centre.y() - radius * 0.4, radius * 1.4);
    g.setColorAt(0, color.lighter(150));
    g.setColorAt(1, color.darker(115));
    return g;
}

// A text outline centred on `centre`.
QPainterPath textPath(const QString& text, int pixelSize, bool bold, const QPointF& centre,
                      const QString& family = u"DejaVu Sans"_s)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF box = path.boundingRect();
    path.translate(centre - box.center());
    return path;
}

// ---- building blocks of the 16 x 16 pictures ------------------------------------------------

void sheet(QPainter& p, const QRectF& r, qreal fold = 4.0)
{
    QPainterPath body;
    body.moveTo(r.left(), r.top());
    body.lineTo(r.right() - fold, r.top());
    body.lineTo(r.right(), r.top() + fold);
    body.lineTo(r.right(), r.bottom());
    body.lineTo(r.left(), r.bottom());
    body.closeSubpath();
    p.setPen(pen(kInk));
    p.setBrush(vertical(r, kPaperTop, kPaperBottom));
    p.drawPath(body);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(kFold);
    p.drawPath(corner);
}

void textLines(QPainter& p, qreal left, qreal right, qreal top, int count, qreal step = 2.0)
{
    p.setPen(pen(QColor(140, 152, 170), 1.0));
    for (int i = 0; i < count; ++i) {
        const qreal y = top + i * step;
        const qreal end = (i == count - 1) ? left + (right - left) * 0.6 : right;
        p.drawLine(QPointF(left, y), QPointF(end, y));
    }
}

void star(QPainter& p, const QPointF& c, qreal outer, const QColor& fill, const QColor& edge)
{
    QPolygonF points;
    for (int i = 0; i < 10; ++i) {
        const qreal r = (i % 2 == 0) ? outer : outer * 0.45;
        const qreal a = qDegreesToRadians(-90.0 + i * 36.0);
        points << QPointF(c.x() + r * qCos(a), c.y() + r * qSin(a));
    }
    p.setPen(pen(edge, 0.8));
    p.setBrush(fill);
    p.drawPolygon(points);
}

void folder(QPainter& p, bool open)
{
    QPainterPath back;
    back.moveTo(0.5, 3.5);
    back.lineTo(5.5, 3.5);
    back.lineTo(7.0, 5.0);
    back.lineTo(15.5, 5.0);
    back.lineTo(15.5, 14.5);
    back.lineTo(0.5, 14.5);
    back.closeSubpath();
    p.setPen(pen(kYellowDark));
    p.setBrush(QColor(232, 169, 58));
    p.drawPath(back);
    if (open) {
        p.setPen(pen(QColor(150, 160, 175)));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 2.5, 10, 8));
        QPainterPath front;
        front.moveTo(3.0, 7.5);
        front.lineTo(15.8, 7.5);
        front.lineTo(13.0, 14.5);
        front.lineTo(0.5, 14.5);
        front.closeSubpath();
        p.setPen(pen(kYellowDark));
        p.setBrush(vertical(QRectF(0, 7.5, 16, 7), QColor(255, 226, 120), QColor(242, 179, 61)));
        p.drawPath(front);
    } else {
        p.setPen(pen(kYellowDark));
        p.setBrush(vertical(QRectF(0, 6.5, 16, 8), QColor(255, 226, 120), QColor(242, 179, 61)));
        p.drawRoundedRect(QRectF(0.5, 6.5, 15, 8), 1, 1);
    }
}

void floppy(QPainter& p)
{
    const QRectF body(1.5, 1.5, 13, 13);
    p.setPen(pen(QColor(27, 63, 122)));
    p.setBrush(vertical(body, QColor(72, 134, 230), QColor(36, 83, 158)));
    p.drawRoundedRect(body, 1.5, 1.5);
    p.setPen(pen(QColor(120, 130, 145), 0.8));
    p.setBrush(QColor(221, 227, 234));
    p.drawRect(QRectF(4.5, 1.5, 7, 4.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 70, 85));
    p.drawRect(QRectF(8.8, 2.4, 1.6, 2.7));
    p.setPen(pen(QColor(27, 63, 122), 0.8));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 8.5, 9, 6));
    textLines(p, 5, 11, 10.5, 2);
}

// A pencil whose tip is at `tip`, lying at `angle` degrees (Qt's orientation).
void pencil(QPainter& p, const QPointF& tip, qreal length, qreal width, qreal angle)
{
    p.save();
    p.translate(tip);
    p.rotate(angle);
    const qreal half = width / 2;
    const qreal cone = width * 1.1;
    const qreal eraser = width * 0.9;
    p.setPen(pen(QColor(110, 78, 20), 0.8));
    p.setBrush(QColor(243, 210, 162));
    p.drawPolygon(QPolygonF{QPointF(0, 0), QPointF(cone, -half), QPointF(cone, half)});
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(50, 50, 50));
    p.drawPolygon(QPolygonF{QPointF(0, 0), QPointF(cone * 0.35, -half * 0.35),
                            QPointF(cone * 0.35, half * 0.35)});
    p.setPen(pen(QColor(154, 107, 16), 0.8));
    p.setBrush(QColor(246, 195, 59));
    p.drawRect(QRectF(cone, -half, length - cone - eraser, width));
    p.setBrush(QColor(233, 139, 160));
    p.drawRect(QRectF(length - eraser, -half, eraser, width));
    p.restore();
}

void cross(QPainter& p, const QPointF& a, const QPointF& b, qreal width)
{
    p.setPen(pen(QColor(255, 255, 255, 210), width + 1.4));
    p.drawLine(a, b);
    p.drawLine(QPointF(a.x(), b.y()), QPointF(b.x(), a.y()));
    p.setPen(pen(kRed, width));
    p.drawLine(a, b);
    p.drawLine(QPointF(a.x(), b.y()), QPointF(b.x(), a.y()));
}

void badge(QPainter& p, const QPointF& c, qreal r, const QColor& color)
{
    p.setPen(pen(Qt::white, 1.0));
    p.setBrush(shine(c, r, color));
    p.drawEllipse(c, r, r);
}

void cube(QPainter& p, const QPointF& c, qreal r, const QColor& color)
{
    const qreal w = r * 0.866;
    const QPointF top(c.x(), c.y() - r), upRight(c.x() + w, c.y() - r / 2),
        downRight(c.x() + w, c.y() + r / 2), bottom(c.x(), c.y() + r),
        downLeft(c.x() - w, c.y() + r / 2), upLeft(c.x() - w, c.y() - r / 2);
    p.setPen(pen(color.darker(200), 0.7));
    p.setBrush(color.lighter(140));
    p.drawPolygon(QPolygonF{top, upRight, c, upLeft});
    p.setBrush(color);
    p.drawPolygon(QPolygonF{upLeft, c, bottom, downLeft});
    p.setBrush(color.darker(130));
    p.drawPolygon(QPolygonF{c, upRight, downRight, bottom});
}

QPainterPath gearPath(const QPointF& c, qreal outer, qreal inner, int teeth, qreal hole)
{
    QPolygonF rim;
    const int steps = teeth * 4;
    for (int i = 0; i < steps; ++i) {
        const qreal a = 2 * M_PI * i / steps + M_PI / steps;
        const qreal r = (i % 4 == 0 || i % 4 == 1) ? outer : inner;
        rim << QPointF(c.x() + r * qCos(a), c.y() + r * qSin(a));
    }
    QPainterPath path;
    path.addPolygon(rim);
    path.closeSubpath();
    QPainterPath centre;
    centre.addEllipse(c, hole, hole);
    return path.subtracted(centre);
}

void arrowHead(QPainter& p, const QPointF& at, qreal angle, qreal size, const QColor& color)
{
    p.save();
    p.translate(at);
    p.rotate(angle);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(QPolygonF{QPointF(size, 0), QPointF(-size * 0.5, -size * 0.85),
                            QPointF(-size * 0.5, size * 0.85)});
    p.restore();
}

void cylinder(QPainter& p, const QRectF& r, const QColor& color)
{
    const qreal cap = r.height() * 0.22;
    QPainterPath body;
    body.moveTo(r.left(), r.top() + cap / 2);
    body.lineTo(r.left(), r.bottom() - cap / 2);
    body.arcTo(QRectF(r.left(), r.bottom() - cap, r.width(), cap), 180, 180);
    body.lineTo(r.right(), r.top() + cap / 2);
    body.closeSubpath();
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, color.darker(110));
    g.setColorAt(0.35, color.lighter(140));
    g.setColorAt(1, color.darker(140));
    p.setPen(pen(color.darker(220), 0.8));
    p.setBrush(g);
    p.drawPath(body);
    p.setBrush(Qt::NoBrush);
    for (const qreal band : {0.4, 0.7}) {
        const qreal y = r.top() + (r.height() - cap) * band;
        p.drawArc(QRectF(r.left(), y, r.width(), cap), 180 * 16, 180 * 16);
    }
    p.setBrush(color.lighter(160));
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), cap));
}

void checkBox(QPainter& p, const QRectF& r, bool checked)
{
    p.setPen(pen(kInk, 0.9));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, 1, 1);
    if (checked) {
        p.setPen(pen(kGreen, 1.5));
        p.setBrush(Qt::NoBrush);
        QPainterPath tick;
        tick.moveTo(r.left() + 1.2, r.center().y());
        tick.lineTo(r.left() + r.width() * 0.42, r.bottom() - 1.2);
        tick.lineTo(r.right() + 0.6, r.top() - 0.6);
        p.drawPath(tick);
    }
}

// ---- the pictures of the main image list -----------------------------------------------------

void drawNew(QPainter& p)
{
    sheet(p, QRectF(2.5, 0.5, 11, 15));
    textLines(p, 4.5, 11.5, 7.5, 4);
    star(p, QPointF(4.3, 4.3), 4.0, kYellow, kYellowDark);
}

void drawSaveAs(QPainter& p)
{
    p.save();
    p.scale(0.82, 0.82);
    floppy(p);
    p.restore();
    pencil(p, QPointF(7.5, 15.0), 11.0, 3.4, -45);
}

void drawClose(QPainter& p)
{
    const QRectF frame(0.5, 1.5, 14, 12);
    p.setPen(pen(kInk));
    p.setBrush(Qt::white);
    p.drawRoundedRect(frame, 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(frame, QColor(90, 140, 225), kBlueDark));
    p.drawRect(QRectF(1, 2, 13, 3));
    textLines(p, 2.5, 8.5, 7.5, 2, 2.5);
    badge(p, QPointF(11.5, 11.5), 4.2, kRed);
    p.setPen(pen(Qt::white, 1.3));
    p.drawLine(QPointF(10, 10), QPointF(13, 13));
    p.drawLine(QPointF(10, 13), QPointF(13, 10));
}

void drawAdd(QPainter& p)
{
    badge(p, QPointF(8, 8), 7.0, kGreen);
    p.setPen(pen(Qt::white, 2.4));
    p.drawLine(QPointF(8, 4.2), QPointF(8, 11.8));
    p.drawLine(QPointF(4.2, 8), QPointF(11.8, 8));
}

void drawDelete(QPainter& p)
{
    p.setPen(pen(kRedDark, 4.2));
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(3.5, 12.5), QPointF(12.5, 3.5));
    p.setPen(pen(QColor(238, 82, 82), 2.4));
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(3.5, 12.5), QPointF(12.5, 3.5));
}

void drawApply(QPainter& p)
{
    QPainterPath tick;
    tick.moveTo(2.2, 8.6);
    tick.lineTo(6.3, 12.8);
    tick.lineTo(13.8, 3.4);
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(kGreenDark, 4.0));
    p.drawPath(tick);
    p.setPen(pen(QColor(80, 200, 110), 2.2));
    p.drawPath(tick);
}

void drawRegistry(QPainter& p)
{
    cube(p, QPointF(4.6, 11.2), 4.2, kBlue);
    cube(p, QPointF(11.4, 11.2), 4.2, kBlue);
    cube(p, QPointF(8.0, 5.0), 4.2, QColor(30, 160, 170));
}

void drawFont(QPainter& p)
{
    p.setPen(pen(kBlueDark, 0.6));
    p.setBrush(vertical(QRectF(0, 0, 16, 14), QColor(70, 120, 220), kBlueDark));
    p.drawPath(textPath(u"A"_s, 16, true, QPointF(8, 7.3), u"DejaVu Serif"_s));
    p.setPen(pen(kRed, 1.6));
    p.drawLine(QPointF(2.5, 14.8), QPointF(13.5, 14.8));
}

// The package file shared by the inside and outside pictures.
void drawPackage(QPainter& p)
{
    sheet(p, QRectF(1.5, 0.5, 10.5, 14), 3.5);
    cube(p, QPointF(6.2, 7.0), 3.6, QColor(205, 140, 60));
}

void drawInsideBadge(QPainter& p)
{
    badge(p, QPointF(11.6, 11.6), 4.4, kGreen);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF{QPointF(9.0, 11.7), QPointF(11.6, 9.0), QPointF(14.2, 11.7)});
    p.drawRect(QRectF(9.8, 11.4, 3.6, 2.6));
    p.setBrush(kGreenDark);
    p.drawRect(QRectF(11.1, 12.3, 1.1, 1.7));
}

void drawOutsideBadge(QPainter& p)
{
    badge(p, QPointF(11.6, 11.6), 4.4, kBlue);
    p.setPen(pen(Qt::white, 1.4));
    p.drawLine(QPointF(9.6, 13.6), QPointF(13.2, 10.0));
    p.drawPolyline(QPolygonF{QPointF(10.6, 9.8), QPointF(13.4, 9.8), QPointF(13.4, 12.6)});
}

void drawInside(QPainter& p)
{
    drawPackage(p);
    drawInsideBadge(p);
}

void drawOutside(QPainter& p)
{
    drawPackage(p);
    drawOutsideBadge(p);
}

// The present picture faded to grey, its badge kept faintly in colour, crossed out in red.
void drawMissing(QPainter& p, void (*badgeOnly)(QPainter&))
{
    QImage grey = renderImage(16, devicePixelRatioOf(p), drawPackage);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const QRgb px = line[x];
            const int a = qAlpha(px);
            if (a == 0)
                continue;
            // Premultiplied: lift the grey towards white while keeping the coverage.
            const int g = (qGray(px) * 6 + a * 4) / 10 * 85 / 100 + a * 15 / 100;
            line[x] = qRgba(g, g, g, a);
        }
    }
    p.drawImage(QRectF(0, 0, 16, 16), grey);
    p.setOpacity(0.7);
    badgeOnly(p);
    p.setOpacity(1.0);
    cross(p, QPointF(2.8, 2.8), QPointF(9.6, 9.6), 1.9);
}

void drawLanguage(QPainter& p)
{
    p.setPen(pen(QColor(170, 90, 15), 0.8));
    p.setBrush(shine(QPointF(11, 4), 5, kOrange));
    QPainterPath back;
    back.addRoundedRect(QRectF(5.5, 0.5, 10, 8), 2, 2);
    back.moveTo(12.5, 8.5);
    back.lineTo(14.5, 11);
    back.lineTo(10.5, 8.5);
    p.drawPath(back.simplified());
    p.setPen(pen(kBlueDark, 0.8));
    p.setBrush(shine(QPointF(5.5, 9), 5, kBlue));
    QPainterPath front;
    front.addRoundedRect(QRectF(0.5, 5.5, 10.5, 8), 2, 2);
    front.moveTo(2.5, 13.3);
    front.lineTo(2.0, 15.8);
    front.lineTo(5.5, 13.3);
    p.drawPath(front.simplified());
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(textPath(u"A"_s, 8, true, QPointF(5.75, 9.5)));
    p.setPen(pen(Qt::white, 1.0));
    p.drawLine(QPointF(8.5, 3), QPointF(13.5, 3));
    p.drawLine(QPointF(11, 1.8), QPointF(11, 3));
}

void drawHelp(QPainter& p)
{
    badge(p, QPointF(8, 8), 7.0, kBlue);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(textPath(u"?"_s, 12, true, QPointF(8, 8)));
}

void drawWeb(QPainter& p)
{
    const QPointF c(8, 8);
    p.setPen(pen(kBlueDark, 0.9));
    p.setBrush(shine(c, 7, QColor(50, 140, 220)));
    p.drawEllipse(c, 7.0, 7.0);
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(QColor(255, 255, 255, 200), 0.8));
    p.drawEllipse(c, 3.2, 7.0);
    p.drawLine(QPointF(8, 1), QPointF(8, 15));
    p.drawLine(QPointF(1, 8), QPointF(15, 8));
    p.drawLine(QPointF(2.2, 4.6), QPointF(13.8, 4.6));
    p.drawLine(QPointF(2.2, 11.4), QPointF(13.8, 11.4));
}

void drawMail(QPainter& p)
{
    const QRectF r(0.5, 3.5, 15, 10);
    p.setPen(pen(QColor(150, 120, 60)));
    p.setBrush(vertical(r, QColor(255, 250, 230), QColor(245, 228, 180)));
    p.drawRect(r);
    p.setPen(pen(QColor(190, 160, 100), 0.8));
    p.drawLine(QPointF(0.8, 13.2), QPointF(6.3, 8.3));
    p.drawLine(QPointF(15.2, 13.2), QPointF(9.7, 8.3));
    p.setPen(pen(QColor(150, 120, 60)));
    p.drawPolyline(QPolygonF{QPointF(0.5, 3.5), QPointF(8, 9.5), QPointF(15.5, 3.5)});
}

void drawLaunch(QPainter& p)
{
    p.save();
    p.translate(8, 8);
    p.rotate(45);
    // flame
    QPainterPath flame;
    flame.moveTo(-2.0, 3.6);
    flame.quadTo(0, 10.0, 2.0, 3.6);
    flame.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(QRectF(-2, 3.5, 4, 5), QColor(255, 230, 80), QColor(240, 90, 30)));
    p.drawPath(flame);
    // fins
    p.setPen(pen(kRedDark, 0.7));
    p.setBrush(kRed);
    p.drawPolygon(QPolygonF{QPointF(-2.4, 0.5), QPointF(-4.6, 4.5), QPointF(-1.8, 3.6)});
    p.drawPolygon(QPolygonF{QPointF(2.4, 0.5), QPointF(4.6, 4.5), QPointF(1.8, 3.6)});
    // body
    QPainterPath body;
    body.moveTo(0, -7.6);
    body.cubicTo(3.6, -4.5, 3.2, 1.5, 2.2, 4.0);
    body.lineTo(-2.2, 4.0);
    body.cubicTo(-3.2, 1.5, -3.6, -4.5, 0, -7.6);
    QLinearGradient g(QPointF(-3, 0), QPointF(3, 0));
    g.setColorAt(0, QColor(200, 208, 220));
    g.setColorAt(0.4, Qt::white);
    g.setColorAt(1, QColor(150, 160, 178));
    p.setPen(pen(kInk, 0.8));
    p.setBrush(g);
    p.drawPath(body);
    p.setBrush(QColor(80, 170, 240));
    p.drawEllipse(QPointF(0, -2.2), 1.35, 1.35);
    p.restore();
}

void drawBackup(QPainter& p)
{
    cylinder(p, QRectF(0.5, 1.0, 12, 13), QColor(90, 130, 190));
    badge(p, QPointF(11.8, 11.6), 4.2, kGreen);
    p.setPen(pen(Qt::white, 1.4));
    p.drawLine(QPointF(11.8, 9.3), QPointF(11.8, 13.4));
    p.drawPolyline(QPolygonF{QPointF(10.0, 11.9), QPointF(11.8, 13.7), QPointF(13.6, 11.9)});
}

void drawImport(QPainter& p)
{
    QPainterPath tray;
    tray.moveTo(1.0, 9.0);
    tray.lineTo(1.0, 14.5);
    tray.lineTo(15.0, 14.5);
    tray.lineTo(15.0, 9.0);
    tray.lineTo(11.5, 9.0);
    tray.lineTo(10.5, 11.0);
    tray.lineTo(5.5, 11.0);
    tray.lineTo(4.5, 9.0);
    tray.closeSubpath();
    p.setPen(pen(QColor(90, 100, 115), 0.9));
    p.setBrush(vertical(QRectF(0, 9, 16, 6), QColor(215, 222, 232), QColor(150, 162, 180)));
    p.drawPath(tray);
    p.setPen(pen(kBlue, 2.2));
    p.drawLine(QPointF(8, 0.8), QPointF(8, 5.5));
    arrowHead(p, QPointF(8, 7.2), 90, 3.4, kBlue);
}

void drawClear(QPainter& p)
{
    p.setPen(pen(QColor(150, 160, 175), 1.0));
    p.drawLine(QPointF(1.5, 14.8), QPointF(14.5, 14.8));
    p.save();
    p.translate(8.2, 8.0);
    p.rotate(-40);
    p.setPen(pen(kInk, 0.8));
    p.setBrush(vertical(QRectF(-7, -3, 7, 6), QColor(120, 160, 235), QColor(50, 95, 190)));
    p.drawRoundedRect(QRectF(-0.5, -3, 7, 6), 1, 1);
    p.setBrush(vertical(QRectF(-7, -3, 7, 6), QColor(255, 190, 200), QColor(225, 120, 140)));
    p.drawRoundedRect(QRectF(-7, -3, 6.5, 6), 1, 1);
    p.restore();
}

void drawGroup(QPainter& p)
{
    const auto layer = [&p](qreal y, const QColor& color) {
        p.setPen(pen(color.darker(170), 0.8));
        p.setBrush(color);
        p.drawPolygon(QPolygonF{QPointF(8, y - 3.4), QPointF(15.2, y), QPointF(8, y + 3.4),
                                QPointF(0.8, y)});
    };
    layer(11.6, kOrange);
    layer(8.0, kGreen);
    layer(4.4, kBlue);
}

void drawRecover(QPainter& p)
{
    const QRectF ring(2.6, 2.8, 10.8, 10.8);
    QPainterPath arc;
    arc.arcMoveTo(ring, 150);
    arc.arcTo(ring, 150, -265);
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(kGreenDark, 3.2));
    p.drawPath(arc);
    p.setPen(pen(QColor(80, 200, 110), 1.6));
    p.drawPath(arc);
    const qreal a = qDegreesToRadians(150.0);
    const QPointF start(ring.center().x() + 5.4 * qCos(a), ring.center().y() - 5.4 * qSin(a));
    // The head points along the counter-clockwise tangent at the start of the arc, which lies at
    // 120 degrees on screen (y pointing down).
    arrowHead(p, start + QPointF(-0.5, 0.87), 120.0, 3.6, kGreenDark);
}

void drawCapture(QPainter& p)
{
    p.setPen(pen(QColor(40, 44, 52), 0.9));
    p.setBrush(QColor(90, 96, 110));
    p.drawRoundedRect(QRectF(4.5, 2.5, 5, 3), 1, 1);
    const QRectF body(0.5, 4.5, 15, 10);
    p.setBrush(vertical(body, QColor(110, 118, 135), QColor(50, 55, 66)));
    p.drawRoundedRect(body, 2, 2);
    p.setPen(pen(QColor(220, 225, 235), 1.0));
    p.setBrush(QColor(30, 34, 42));
    p.drawEllipse(QPointF(8, 9.6), 3.7, 3.7);
    p.setPen(Qt::NoPen);
    p.setBrush(shine(QPointF(8, 9.6), 2.3, QColor(60, 140, 230)));
    p.drawEllipse(QPointF(8, 9.6), 2.3, 2.3);
    p.setBrush(QColor(255, 220, 90));
    p.drawRect(QRectF(12, 6, 2, 1.4));
}

void drawShortcut(QPainter& p)
{
    p.setPen(pen(kInk, 0.9));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 2, 2);
    QPainterPath curve;
    curve.moveTo(4.5, 12.2);
    curve.quadTo(4.3, 6.6, 9.6, 6.6);
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(kBlue, 2.0));
    p.drawPath(curve);
    arrowHead(p, QPointF(10.8, 6.6), 0, 3.0, kBlue);
}

void drawCopy(QPainter& p)
{
    sheet(p, QRectF(0.5, 0.5, 9, 11), 3);
    textLines(p, 2.5, 7.5, 4.5, 3);
    sheet(p, QRectF(5.5, 4.5, 10, 11), 3);
    textLines(p, 7.5, 13.5, 8.5, 3);
}

void drawRename(QPainter& p)
{
    p.setPen(pen(kBlue, 1.0));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(0.5, 4.0, 15, 8), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPath(textPath(u"ab"_s, 8, true, QPointF(5.6, 8.2)));
    p.setPen(pen(Qt::black, 1.0));
    p.drawLine(QPointF(11.5, 2.5), QPointF(11.5, 13.5));
    p.drawLine(QPointF(10.0, 2.0), QPointF(13.0, 2.0));
    p.drawLine(QPointF(10.0, 14.0), QPointF(13.0, 14.0));
}

void drawChecks(QPainter& p, bool checked)
{
    checkBox(p, QRectF(1.5, 1.5, 5.5, 5.5), checked);
    checkBox(p, QRectF(1.5, 9.0, 5.5, 5.5), checked);
    p.setPen(pen(QColor(120, 132, 150), 1.2));
    p.drawLine(QPointF(9.5, 4.25), QPointF(15, 4.25));
    p.drawLine(QPointF(9.5, 11.75), QPointF(15, 11.75));
}

void drawExpert(QPainter& p)
{
    QPainterPath piece;
    piece.addRoundedRect(QRectF(1.5, 4.5, 10, 10), 1, 1);
    QPainterPath knobs;
    knobs.addEllipse(QPointF(6.5, 3.3), 2.4, 2.4);
    knobs.addEllipse(QPointF(12.7, 9.5), 2.4, 2.4);
    QPainterPath hollow;
    hollow.addEllipse(QPointF(1.3, 9.5), 2.0, 2.0);
    piece = piece.united(knobs).subtracted(hollow);
    p.setPen(pen(QColor(70, 40, 130), 0.9));
    p.setBrush(shine(QPointF(7, 8), 7, kPurple));
    p.drawPath(piece);
}

void drawComponent(QPainter& p)
{
    p.setPen(pen(kRedDark, 0.8));
    p.setBrush(shine(QPointF(4.3, 4.3), 3.4, kRed));
    p.drawEllipse(QPointF(4.3, 4.3), 3.4, 3.4);
    p.setPen(pen(kBlueDark, 0.8));
    p.setBrush(vertical(QRectF(9, 1, 6, 6), QColor(100, 150, 235), kBlue));
    p.drawRect(QRectF(8.8, 1.0, 6.2, 6.2));
    p.setPen(pen(kGreenDark, 0.8));
    p.setBrush(vertical(QRectF(3, 8.5, 10, 7), QColor(110, 210, 130), kGreen));
    p.drawPolygon(QPolygonF{QPointF(8, 8.5), QPointF(13.8, 15), QPointF(2.2, 15)});
}

void drawTool(QPainter& p)
{
    p.save();
    p.translate(8, 8);
    p.rotate(-45);
    QPainterPath wrench;
    wrench.addRoundedRect(QRectF(-7.6, -1.5, 11, 3), 1.5, 1.5);
    QPainterPath head;
    head.addEllipse(QPointF(4.2, 0), 3.6, 3.6);
    QPainterPath jaw;
    jaw.addRect(QRectF(4.6, -1.3, 4, 2.6));
    wrench = wrench.united(head).subtracted(jaw);
    QLinearGradient g(QPointF(0, -3.6), QPointF(0, 3.6));
    g.setColorAt(0, QColor(215, 222, 232));
    g.setColorAt(1, QColor(110, 120, 135));
    p.setPen(pen(QColor(65, 72, 86), 0.8));
    p.setBrush(g);
    p.drawPath(wrench);
    p.restore();
}

void drawProject(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(QColor(100, 60, 25), 1.6));
    p.drawRoundedRect(QRectF(5, 1.8, 6, 4), 1.2, 1.2);
    const QRectF body(0.5, 4.5, 15, 10);
    p.setPen(pen(QColor(100, 60, 25), 0.9));
    p.setBrush(vertical(body, QColor(214, 150, 85), QColor(160, 96, 40)));
    p.drawRoundedRect(body, 1.6, 1.6);
    p.setPen(pen(QColor(120, 72, 30), 0.8));
    p.drawLine(QPointF(0.8, 8.6), QPointF(15.2, 8.6));
    p.setPen(pen(QColor(120, 90, 20), 0.6));
    p.setBrush(QColor(250, 210, 90));
    p.drawRect(QRectF(6.5, 7.4, 3, 2.6));
}

void drawOption(QPainter& p)
{
    p.setPen(pen(QColor(50, 60, 75), 0.8));
    p.setBrush(shine(QPointF(8, 8), 7.5, QColor(130, 145, 165)));
    p.drawPath(gearPath(QPointF(8, 8), 7.6, 5.4, 8, 2.3));
}

void drawAbout(QPainter& p)
{
    badge(p, QPointF(8, 8), 7.0, QColor(22, 150, 155));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 4.4), 1.3, 1.3);
    p.drawRoundedRect(QRectF(6.8, 6.6, 2.4, 6.2), 0.8, 0.8);
}

void drawDebug(QPainter& p)
{
    p.setPen(pen(QColor(30, 30, 30), 0.9));
    for (int i = 0; i < 3; ++i) {
        const qreal y = 7.0 + i * 2.8;
        p.drawLine(QPointF(4.0, y), QPointF(1.0, y - 1.0 + i));
        p.drawLine(QPointF(12.0, y), QPointF(15.0, y - 1.0 + i));
    }
    p.drawLine(QPointF(7.0, 2.6), QPointF(5.2, 0.6));
    p.drawLine(QPointF(9.0, 2.6), QPointF(10.8, 0.6));
    p.setBrush(QColor(30, 30, 30));
    p.drawEllipse(QPointF(8, 3.8), 2.4, 2.0);
    p.setPen(pen(kRedDark, 0.8));
    p.setBrush(shine(QPointF(8, 9.5), 5.2, kRed));
    p.drawEllipse(QPointF(8, 9.6), 4.9, 5.6);
    p.setPen(pen(QColor(30, 30, 30), 0.8));
    p.drawLine(QPointF(8, 4.4), QPointF(8, 15.0));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 30));
    p.drawEllipse(QPointF(5.7, 8.2), 1.0, 1.0);
    p.drawEllipse(QPointF(10.3, 8.2), 1.0, 1.0);
    p.drawEllipse(QPointF(6.0, 12.0), 0.9, 0.9);
    p.drawEllipse(QPointF(10.0, 12.0), 0.9, 0.9);
}

void drawAssociate(QPainter& p)
{
    const auto link = [&p](const QPointF& c) {
        p.save();
        p.translate(c);
        p.rotate(-45);
        p.drawRoundedRect(QRectF(-4.6, -2.4, 9.2, 4.8), 2.4, 2.4);
        p.restore();
    };
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(QColor(50, 60, 80), 2.8));
    link(QPointF(5.3, 10.7));
    link(QPointF(10.7, 5.3));
    p.setPen(pen(QColor(160, 175, 200), 1.3));
    link(QPointF(5.3, 10.7));
    link(QPointF(10.7, 5.3));
}

const std::array<Painting, kMainImageCount>& mainPaintings()
{
    static const std::array<Painting, kMainImageCount> paintings = {
        Painting(drawNew),                                                  // 0 new
        [](QPainter& p) { folder(p, true); },                              // 1 open
        Painting(floppy),                                                   // 2 save
        Painting(drawSaveAs),                                               // 3 save as
        Painting(drawClose),                                                // 4 close
        Painting(drawAdd),                                                  // 5 add
        Painting(drawDelete),                                               // 6 delete
        [](QPainter& p) { pencil(p, QPointF(1.6, 14.4), 17.5, 4.2, -45); }, // 7 modify
        Painting(drawApply),                                                // 8 apply
        Painting(drawRegistry),                                             // 9 registry
        [](QPainter& p) { folder(p, false); },                             // 10 folder
        Painting(drawFont),                                                 // 11 font
        Painting(drawInside),                                               // 12 inside
        Painting(drawLanguage),                                             // 13 language
        Painting(drawHelp),                                                 // 14 help
        Painting(drawWeb),                                                  // 15 web
        Painting(drawMail),                                                 // 16 mail
        Painting(drawLaunch),                                               // 17 launch
        Painting(drawOutside),                                              // 18 outside
        Painting(drawBackup),                                               // 19 backup
        Painting(drawImport),                                               // 20 import
        Painting(drawClear),                                                // 21 clear
        Painting(drawGroup),                                                // 22 group
        Painting(drawRecover),                                              // 23 recover
        Painting(drawCapture),                                              // 24 capture
        Painting(drawShortcut),                                             // 25 shortcut
        Painting(drawCopy),                                                 // 26 copy
        [](QPainter& p) { drawMissing(p, drawInsideBadge); },               // 27
        [](QPainter& p) { drawMissing(p, drawOutsideBadge); },              // 28
        Painting(drawRename),                                               // 29 rename
        [](QPainter& p) { drawChecks(p, true); },                           // 30 check all
        [](QPainter& p) { drawChecks(p, false); },                          // 31 uncheck all
        Painting(drawExpert),                                               // 32 expert
        Painting(drawComponent),                                            // 33 component
        Painting(drawTool),                                                 // 34 tool
        Painting(drawProject),                                              // 35 project
        Painting(drawOption),                                               // 36 option
        Painting(drawAbout),                                                // 37 about
        Painting(drawDebug),                                                // 38 debug
        Painting(drawAssociate),                                            // 39 associate
    };
    return paintings;
}

QList<QIcon> buildMainImages()
{
    QList<QIcon> icons;
    icons.reserve(kMainImageCount);
    for (const Painting& paint : mainPaintings()) {
        QIcon icon;
        icon.addPixmap(QPixmap::fromImage(renderImage(16, 1.0, paint)));
        icon.addPixmap(QPixmap::fromImage(renderImage(16, 2.0, paint)));
        icons << icon;
    }
    return icons;
}

// ---- the emblem: a "V" inside a ring of three arcs -----------------------------------------

void drawEmblem(QPainter& p, const QRectF& box, qreal ringAngle, bool withTile)
{
    const qreal s = box.width() / 32.0;
    p.save();
    p.translate(box.topLeft());
    p.scale(s, s);
    if (withTile) {
        const QRectF tile(1, 1, 30, 30);
        QLinearGradient g(tile.topLeft(), tile.bottomRight());
        g.setColorAt(0, QColor(38, 84, 170));
        g.setColorAt(1, QColor(22, 150, 160));
        p.setPen(pen(QColor(16, 48, 100), 1.0));
        p.setBrush(g);
        p.drawRoundedRect(tile, 7, 7);
    }
    const QPointF c(16, 16);
    // Three arcs, so the ring repeats every 120 degrees.
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        QPainterPath arc;
        const QRectF ring(c.x() - 11.5, c.y() - 11.5, 23, 23);
        const qreal start = ringAngle + i * 120.0;
        arc.arcMoveTo(ring, start);
        arc.arcTo(ring, start, 80);
        p.setPen(pen(QColor(255, 255, 255, 110 + 50 * i), 2.2));
        p.drawPath(arc);
    }
    const qreal a = qDegreesToRadians(ringAngle + 250.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 214, 92));
    p.drawEllipse(QPointF(c.x() + 11.5 * qCos(a), c.y() - 11.5 * qSin(a)), 2.0, 2.0);
    p.setBrush(Qt::NoBrush);
    QPainterPath vee;
    vee.moveTo(10.6, 10.4);
    vee.lineTo(16.0, 22.0);
    vee.lineTo(21.4, 10.4);
    p.setPen(pen(QColor(10, 30, 70, 120), 4.6));
    p.drawPath(vee.translated(0.6, 0.8));
    p.setPen(pen(Qt::white, 3.6));
    p.drawPath(vee);
    p.restore();
}

// ---- the About page animation ---------------------------------------------------------------

struct Scheme
{
    QColor discInner, discOuter, outer, middle, inner, core;
};

QPixmap ringFrame(int frame, int count, const Scheme& scheme)
{
    const QImage image = renderImage(QSize(72, 72), [&](QPainter& p) {
        const QPointF c(36, 36);
        const qreal t = qreal(frame) / count; // 0 .. 1 over one loop
        QRadialGradient disc(c, 35);
        disc.setColorAt(0, scheme.discInner);
        disc.setColorAt(1, scheme.discOuter);
        p.setPen(pen(scheme.discOuter.darker(140), 1.0));
        p.setBrush(disc);
        p.drawEllipse(c, 34.5, 34.5);
        p.setBrush(Qt::NoBrush);
        const auto arcs = [&](qreal radius, int pieces, qreal span, qreal angle, const QColor& col,
                              qreal width) {
            const QRectF ring(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius);
            p.setPen(pen(col, width));
            for (int i = 0; i < pieces; ++i) {
                QPainterPath arc;
                const qreal start = angle + i * 360.0 / pieces;
                arc.arcMoveTo(ring, start);
                arc.arcTo(ring, start, span);
                p.drawPath(arc);
            }
        };
        // Each ring turns by a whole period of its symmetry over the loop, so the loop is seamless.
        arcs(28, 3, 70, 120.0 * t, scheme.outer, 3.2);
        arcs(21, 2, 110, -180.0 * t, scheme.middle, 3.0);
        arcs(14, 4, 50, 90.0 * t * 2, scheme.inner, 2.4);
        const qreal orbit = qDegreesToRadians(-360.0 * t);
        const QPointF satellite(c.x() + 28 * qCos(orbit), c.y() + 28 * qSin(orbit));
        p.setPen(Qt::NoPen);
        QRadialGradient glow(satellite, 5);
        glow.setColorAt(0, scheme.core);
        glow.setColorAt(1, Qt::transparent);
        p.setBrush(glow);
        p.drawEllipse(satellite, 5.0, 5.0);
        const qreal pulse = 5.5 + 1.8 * qSin(2 * M_PI * t * 2);
        QRadialGradient heart(c, pulse + 4);
        heart.setColorAt(0, Qt::white);
        heart.setColorAt(0.45, scheme.core);
        heart.setColorAt(1, Qt::transparent);
        p.setBrush(heart);
        p.drawEllipse(c, pulse + 4, pulse + 4);
    });
    return QPixmap::fromImage(image);
}

QList<QPixmap> buildRingFrames(const Scheme& scheme)
{
    constexpr int kFrames = 16;
    QList<QPixmap> frames;
    for (int i = 0; i < kFrames; ++i)
        frames << ringFrame(i, kFrames, scheme);
    return frames;
}

// ---- tips -------------------------------------------------------------------------------------

QPixmap tipFrame(const QString& heading, const QString& text, int number, int count)
{
    const QImage image = renderImage(QSize(260, 72), [&](QPainter& p) {
        const QRectF card(0.5, 0.5, 259, 71);
        p.setPen(pen(QColor(205, 172, 70), 1.0));
        p.setBrush(vertical(card, QColor(255, 250, 225), QColor(255, 236, 170)));
        p.drawRoundedRect(card, 8, 8);
        // the bulb
        const QPointF bulb(27, 30);
        p.setPen(pen(QColor(240, 170, 30, 150), 1.6));
        for (int i = 0; i < 7; ++i) {
            const qreal a = qDegreesToRadians(-180.0 + i * 30.0);
            p.drawLine(QPointF(bulb.x() + 12.5 * qCos(a), bulb.y() + 12.5 * qSin(a)),
                       QPointF(bulb.x() + 16.5 * qCos(a), bulb.y() + 16.5 * qSin(a)));
        }
        p.setPen(pen(QColor(190, 130, 20), 1.0));
        p.setBrush(shine(bulb, 9, QColor(255, 205, 60)));
        QPainterPath glass;
        glass.addEllipse(bulb, 9.0, 9.0);
        glass.addRect(QRectF(bulb.x() - 4.5, bulb.y() + 4, 9, 9));
        p.drawPath(glass.simplified());
        p.setPen(pen(QColor(90, 95, 110), 0.8));
        p.setBrush(vertical(QRectF(0, 43, 1, 8), QColor(200, 205, 215), QColor(120, 128, 140)));
        p.drawRoundedRect(QRectF(bulb.x() - 5, bulb.y() + 13, 10, 7), 1.5, 1.5);
        p.drawLine(QPointF(bulb.x() - 5, bulb.y() + 15.5), QPointF(bulb.x() + 5, bulb.y() + 15.5));

        QFont head;
        head.setPixelSize(12);
        head.setBold(true);
        p.setFont(head);
        p.setPen(QColor(150, 100, 10));
        p.drawText(QRectF(56, 6, 196, 16), Qt::AlignLeft | Qt::AlignVCenter, heading);
        p.setPen(QColor(175, 140, 60));
        QFont small;
        small.setPixelSize(10);
        p.setFont(small);
        p.drawText(QRectF(56, 6, 194, 16), Qt::AlignRight | Qt::AlignVCenter,
                   u"%1/%2"_s.arg(number).arg(count));
        QFont body;
        body.setPixelSize(13);
        p.setFont(body);
        p.setPen(QColor(60, 50, 25));
        p.drawText(QRectF(56, 23, 196, 44), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                   text);
    });
    return QPixmap::fromImage(image);
}

QList<QPixmap> buildTips(bool chinese)
{
    static const QStringList english = {
        u"Right-click a list for more commands."_s,
        u"Check the packages Delphi should load."_s,
        u"Apply writes the project into Delphi's registry."_s,
        u"Back up the registry before you experiment."_s,
        u"Capture reads Delphi's current setup into a project."_s,
        u"Unchecked entries stay in the project, ready for later."_s,
    };
    static const QStringList translated = {
        u"在列表上单击右键可使用更多命令。"_s,
        u"勾选 Delphi 启动时应加载的包。"_s,
        u"应用会把项目写入 Delphi 的注册表。"_s,
        u"试验之前请先备份注册表。"_s,
        u"捕获会把 Delphi 当前的配置读入项目。"_s,
        u"未勾选的条目仍保留在项目中，随时可用。"_s,
    };
    const QStringList& texts = chinese ? translated : english;
    const QString heading = chinese ? u"小提示"_s : u"Tip"_s;
    QList<QPixmap> frames;
    for (int i = 0; i < texts.size(); ++i)
        frames << tipFrame(heading, texts.at(i), i + 1, int(texts.size()));
    return frames;
}

// ---- About page pictures ----------------------------------------------------------------------

QPixmap buildLogo()
{
    const QImage image = renderImage(QSize(177, 302), [](QPainter& p) {
        const QRectF panel(0.5, 0.5, 176, 301);
        QLinearGradient g(panel.topLeft(), panel.bottomRight());
        g.setColorAt(0, QColor(19, 41, 80));
        g.setColorAt(0.55, QColor(28, 92, 140));
        g.setColorAt(1, QColor(30, 150, 150));
        p.setPen(pen(QColor(12, 30, 60), 1.0));
        p.setBrush(g);
        p.drawRoundedRect(panel, 10, 10);
        p.save();
        QPainterPath clip;
        clip.addRoundedRect(panel, 10, 10);
        p.setClipPath(clip);
        // soft circles and fine diagonals
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 18));
        p.drawEllipse(QPointF(150, 40), 70, 70);
        p.drawEllipse(QPointF(20, 270), 60, 60);
        p.setBrush(QColor(255, 255, 255, 12));
        p.drawEllipse(QPointF(170, 220), 45, 45);
        p.setPen(pen(QColor(255, 255, 255, 22), 1.0));
        for (int i = -300; i < 200; i += 14)
            p.drawLine(QPointF(i, 302), QPointF(i + 302, 0));
        p.restore();
        drawEmblem(p, QRectF(48, 16, 80, 80), 30, false);
        // the name, reading upwards
        p.save();
        p.translate(88, 272);
        p.rotate(-90);
        QFont font(u"DejaVu Sans"_s);
        font.setPixelSize(50);
        font.setBold(true);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 2);
        QPainterPath name;
        name.addText(0, 0, font, u"Vorlix"_s);
        const QRectF box = name.boundingRect();
        name.translate(-box.left(), -box.center().y());
        const qreal stretch = 160.0 / box.width();
        p.scale(stretch, 1.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 60));
        p.drawPath(name.translated(1.5, 2.0));
        QLinearGradient letters(QPointF(0, -20), QPointF(0, 20));
        letters.setColorAt(0, Qt::white);
        letters.setColorAt(1, QColor(200, 235, 245));
        p.setBrush(letters);
        p.drawPath(name);
        p.restore();
        p.setPen(pen(QColor(255, 214, 92), 1.6));
        p.drawLine(QPointF(124, 112), QPointF(124, 272));
        QFont small(u"DejaVu Sans"_s);
        small.setPixelSize(11);
        small.setBold(true);
        p.setFont(small);
        p.setPen(QColor(255, 255, 255, 200));
        p.drawText(QRectF(0, 280, 177, 16), Qt::AlignCenter, u"for Delphi 7"_s);
    });
    return QPixmap::fromImage(image);
}

QPixmap buildEgg()
{
    const QImage image = renderImage(QSize(100, 69), [](QPainter& p) {
        // a chick peeping out of its shell, with the shell's cap on its head
        const QPointF head(50, 30);
        p.setPen(pen(QColor(200, 140, 20), 1.2));
        p.setBrush(shine(head, 17, QColor(255, 212, 60)));
        p.drawEllipse(head, 17.0, 16.0);
        // wings
        p.setBrush(QColor(250, 190, 40));
        p.drawEllipse(QPointF(31, 42), 6.0, 4.0);
        p.drawEllipse(QPointF(69, 42), 6.0, 4.0);
        // eyes and beak
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 30, 20));
        p.drawEllipse(QPointF(43, 28), 2.4, 2.8);
        p.drawEllipse(QPointF(57, 28), 2.4, 2.8);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(43.8, 27), 0.8, 0.8);
        p.drawEllipse(QPointF(57.8, 27), 0.8, 0.8);
        p.setBrush(QColor(255, 140, 150, 140));
        p.drawEllipse(QPointF(38, 34), 3.0, 2.0);
        p.drawEllipse(QPointF(62, 34), 3.0, 2.0);
        p.setPen(pen(QColor(190, 90, 10), 0.8));
        p.setBrush(QColor(245, 130, 30));
        p.drawPolygon(QPolygonF{QPointF(46, 33), QPointF(54, 33), QPointF(50, 38.5)});
        // the lower shell with its broken rim
        QPainterPath shell;
        shell.moveTo(24, 40);
        const qreal teeth[] = {24, 30, 36, 42, 48, 54, 60, 66, 72, 76};
        bool up = true;
        for (const qreal x : teeth) {
            shell.lineTo(x, up ? 36 : 43);
            up = !up;
        }
        shell.lineTo(76, 40);
        shell.cubicTo(78, 60, 64, 68, 50, 68);
        shell.cubicTo(36, 68, 22, 60, 24, 40);
        QLinearGradient shellShade(QPointF(24, 40), QPointF(76, 68));
        shellShade.setColorAt(0, QColor(255, 252, 240));
        shellShade.setColorAt(1, QColor(225, 210, 180));
        p.setPen(pen(QColor(150, 130, 100), 1.2));
        p.setBrush(shellShade);
        p.drawPath(shell);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(180, 150, 110, 90));
        p.drawEllipse(QPointF(38, 56), 3, 2.2);
        p.drawEllipse(QPointF(62, 60), 2.4, 1.8);
        p.drawEllipse(QPointF(55, 50), 1.8, 1.4);
        // the cap, tilted
        p.save();
        p.translate(52, 14);
        p.rotate(-14);
        QPainterPath cap;
        cap.moveTo(-14, 2);
        cap.cubicTo(-13, -12, 13, -12, 14, 2);
        const qreal capTeeth[] = {10, 6, 2, -2, -6, -10};
        up = false;
        for (const qreal x : capTeeth) {
            cap.lineTo(x, up ? 0 : 5);
            up = !up;
        }
        cap.closeSubpath();
        p.setPen(pen(QColor(150, 130, 100), 1.2));
        p.setBrush(shellShade);
        p.drawPath(cap);
        p.restore();
    });
    return QPixmap::fromImage(image);
}

QPixmap buildMakerLogo()
{
    const QImage image = renderImage(QSize(48, 48), [](QPainter& p) {
        // A hexagonal prism of six triangles in two alternating tones.
        const QPointF c(24, 24);
        const qreal r = 22;
        QPolygonF corners;
        for (int i = 0; i < 6; ++i) {
            const qreal a = qDegreesToRadians(-90.0 + i * 60.0);
            corners << QPointF(c.x() + r * qCos(a), c.y() + r * qSin(a));
        }
        const QColor tones[] = {QColor(178, 34, 52), QColor(120, 20, 40), QColor(210, 70, 70)};
        for (int i = 0; i < 6; ++i) {
            p.setPen(pen(QColor(255, 255, 255, 200), 1.0));
            p.setBrush(tones[i % 3]);
            p.drawPolygon(QPolygonF{c, corners.at(i), corners.at((i + 1) % 6)});
        }
        p.setPen(pen(QColor(90, 10, 25), 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(corners);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(c, 4.0, 4.0);
    });
    return QPixmap::fromImage(image);
}

} // namespace

QIcon mainImage(int index)
{
    static const QList<QIcon> icons = buildMainImages();
    if (index < 0 || index >= icons.size())
        return {};
    return icons.at(index);
}

QList<QIcon> iconFrames()
{
    static const QList<QIcon> frames = [] {
        QList<QIcon> result;
        for (int phase = 0; phase < 3; ++phase) {
            // The ring has three-fold symmetry: three steps of 40 degrees make a seamless turn.
            const auto paint = [phase](QPainter& p) {
                drawEmblem(p, QRectF(0, 0, 32, 32), 90.0 - phase * 40.0, true);
            };
            QIcon icon;
            icon.addPixmap(QPixmap::fromImage(renderImage(32, 1.0, paint)));
            icon.addPixmap(QPixmap::fromImage(renderImage(32, 2.0, paint)));
            icon.addPixmap(QPixmap::fromImage(renderImage(16, 1.0, [&paint](QPainter& p) {
                p.scale(0.5, 0.5);
                paint(p);
            })));
            result << icon;
        }
        return result;
    }();
    return frames;
}

QList<QPixmap> animateFrames()
{
    static const QList<QPixmap> frames = buildRingFrames(
        {QColor(34, 60, 110), QColor(14, 26, 52), QColor(79, 209, 232), QColor(91, 140, 255),
         QColor(170, 230, 255), QColor(120, 220, 255)});
    return frames;
}

QList<QPixmap> animateFramesAlt()
{
    static const QList<QPixmap> frames = buildRingFrames(
        {QColor(100, 36, 60), QColor(44, 12, 32), QColor(255, 169, 77), QColor(255, 92, 138),
         QColor(255, 209, 102), QColor(255, 190, 90)});
    return frames;
}

QList<QPixmap> tipFrames(bool chinese)
{
    if (chinese) {
        static const QList<QPixmap> frames = buildTips(true);
        return frames;
    }
    static const QList<QPixmap> frames = buildTips(false);
    return frames;
}

QPixmap logoPicture()
{
    static const QPixmap logo = buildLogo();
    return logo;
}

QPixmap eggPicture()
{
    static const QPixmap egg = buildEgg();
    return egg;
}

QPixmap makerLogo()
{
    static const QPixmap logo = buildMakerLogo();
    return logo;
}

QPixmap splashPicture()
{
    static const QPixmap picture = [] {
        initAppResources();
        QImageReader reader(u":/vorlix/splash.jpg"_s, "jpeg");
        QImage image = reader.read();
        return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
    }();
    return picture;
}

} // namespace vx::app
