#include "app/Images.h"

#include <QApplication>
#include <QFont>
#include <QIconEngine>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>
#include <QtMath>

#include <array>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

// The resources live in a static library: without these references the linker drops them.
// (The macro has to be used outside any namespace.)
static void registerAppResources()
{
    Q_INIT_RESOURCE(app);
    Q_INIT_RESOURCE(icons);
}

static void initAppResources()
{
    static const bool registered = (registerAppResources(), true);
    Q_UNUSED(registered);
}

namespace vx::app {

namespace {

// Draws a whole SVG document, or parts of it, into a rectangle of the target.
using SvgPainting = std::function<void(QSvgRenderer&, QPainter&, const QRectF&)>;

void renderWhole(QSvgRenderer& svg, QPainter& p, const QRectF& target)
{
    svg.render(&p, target);
}

// The element `id` of the document, placed where it stands in the whole picture when the document's
// view box is mapped onto `target`. The painter's own transform (a turn, say) applies on top.
void renderPart(QSvgRenderer& svg, QPainter& p, const QString& id, const QRectF& target)
{
    const QRectF view = svg.viewBoxF();
    p.save();
    p.translate(target.topLeft());
    p.scale(target.width() / view.width(), target.height() / view.height());
    p.translate(-view.topLeft());
    svg.render(&p, id, svg.boundsOnElement(id));
    p.restore();
}

// Turns the painter by `degrees` (clockwise on screen) about the centre of `target`.
void turnAbout(QPainter& p, const QRectF& target, qreal degrees)
{
    p.translate(target.center());
    p.rotate(degrees);
    p.translate(-target.center());
}

std::shared_ptr<QSvgRenderer> loadSvg(const QString& file)
{
    initAppResources();
    return std::make_shared<QSvgRenderer>(file);
}

// An icon engine that renders an SVG document at exactly the size asked for, through QSvgRenderer
// (so no SVG icon-engine plugin is needed at run time). Disabled and selected looks come from the
// style, as for any other icon.
class SvgIconEngine final : public QIconEngine
{
  public:
    SvgIconEngine(const QString& file, const QString& variant = {}, SvgPainting paint = renderWhole)
        : m_cacheKey(u"vx-svg:"_s + file + u':' + variant), m_svg(loadSvg(file)), m_paint(std::move(paint))
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        QPixmap pm = pixmap((QSizeF(rect.size()) * dpr).toSize(), mode, state);
        pm.setDevicePixelRatio(dpr);
        painter->drawPixmap(rect, pm);
    }

    // `size` is in device pixels: QIcon asks for the scaled size on high-density screens.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        if (size.isEmpty() || !m_svg->isValid())
            return {};
        const QString key = m_cacheKey + u':' + QString::number(size.width()) + u'x' +
                            QString::number(size.height()) + u':' + QString::number(int(mode));
        QPixmap pm;
        if (QPixmapCache::find(key, &pm))
            return pm;
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
            m_paint(*m_svg, p, QRectF(QPointF(0, 0), QSizeF(size)));
        }
        pm = QPixmap::fromImage(std::move(image));
        if (mode != QIcon::Normal) {
            if (const auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
                QStyleOption option;
                option.palette = QApplication::palette();
                pm = app->style()->generatedIconPixmap(mode, pm, &option);
            }
        }
        QPixmapCache::insert(key, pm);
        return pm;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new SvgIconEngine(*this); }
    QString key() const override { return u"vx-svg"_s; }
    bool isNull() override { return !m_svg->isValid(); }

  private:
    QString m_cacheKey;
    std::shared_ptr<QSvgRenderer> m_svg; // shared by the copies QIcon makes
    SvgPainting m_paint;
};

QIcon svgIcon(const QString& file, const QString& variant = {}, SvgPainting paint = renderWhole)
{
    return QIcon(new SvgIconEngine(file, variant, std::move(paint)));
}

// The document drawn by `paint` on a transparent picture of its own size (in device-independent
// pixels) at the screen's pixel ratio.
QPixmap renderPicture(const QString& file, const SvgPainting& paint = renderWhole)
{
    const std::shared_ptr<QSvgRenderer> svg = loadSvg(file);
    if (!svg->isValid())
        return {};
    const qreal dpr = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    const QSize logical = svg->defaultSize();
    QImage image((QSizeF(logical) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(dpr);
    {
        QPainter p(&image);
        p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                         QPainter::TextAntialiasing);
        paint(*svg, p, QRectF(QPointF(0, 0), QSizeF(logical)));
    }
    return QPixmap::fromImage(std::move(image));
}

// ---- the main image list ------------------------------------------------------------------

struct MainImage
{
    const char16_t* file;  // under :/icons, without ".svg"
    const char16_t* theme; // the freedesktop icon name preferred, or empty
};

// By index; the file roles 12, 18, 27 and 28 and the group picture never come from the theme.
constexpr std::array<MainImage, kMainImageCount> kMainImages = {{
    {u"new", u"document-new"},                    // 0
    {u"open", u"document-open"},                  // 1
    {u"save", u"document-save"},                  // 2
    {u"save-as", u"document-save-as"},            // 3
    {u"close", u"document-close"},                // 4
    {u"add", u"list-add"},                        // 5
    {u"delete", u"edit-delete"},                  // 6
    {u"modify", u""},                             // 7
    {u"apply", u""},                              // 8
    {u"registry", u""},                           // 9
    {u"folder", u"folder"},                       // 10
    {u"font", u"preferences-desktop-font"},       // 11
    {u"inside", u""},                             // 12 file inside DelphiRoot
    {u"language", u"preferences-desktop-locale"}, // 13
    {u"help", u"help-contents"},                  // 14
    {u"web", u"internet-web-browser"},            // 15
    {u"mail", u"mail-message-new"},               // 16
    {u"launch", u"system-run"},                   // 17
    {u"outside", u""},                            // 18 file outside DelphiRoot
    {u"backup", u""},                             // 19
    {u"import", u""},                             // 20
    {u"clear", u"edit-clear"},                    // 21
    {u"group", u""},                              // 22
    {u"recover", u"document-revert"},             // 23
    {u"capture", u""},                            // 24
    {u"shortcut", u""},                           // 25
    {u"copy", u"edit-copy"},                      // 26
    {u"inside-missing", u""},                     // 27 missing file inside DelphiRoot
    {u"outside-missing", u""},                    // 28 missing file outside DelphiRoot
    {u"rename", u""},                             // 29
    {u"check-all", u""},                          // 30
    {u"uncheck-all", u""},                        // 31
    {u"expert", u""},                             // 32
    {u"component", u""},                          // 33
    {u"tool", u""},                               // 34
    {u"project", u""},                            // 35
    {u"option", u""},                             // 36
    {u"about", u"help-about"},                    // 37
    {u"debug", u""},                              // 38
    {u"associate", u""},                          // 39
}};

bool validIndex(int index)
{
    return index >= 0 && index < kMainImageCount;
}

// ---- the About page animation ---------------------------------------------------------------

constexpr int kRingFrames = 16;

// One frame of the turning rings: the disc stands still, the three rings turn by a whole period of
// their symmetry over the loop (so the loop is seamless), the spark orbits once and the heart pulses
// twice.
void paintRingFrame(QSvgRenderer& svg, QPainter& p, const QRectF& target, int frame)
{
    const qreal t = qreal(frame) / kRingFrames;
    renderPart(svg, p, u"disc"_s, target);
    const std::pair<const char16_t*, qreal> turns[] = {
        {u"outer", -120.0 * t}, {u"middle", 180.0 * t}, {u"inner", -180.0 * t}, {u"satellite", 360.0 * t}};
    for (const auto& [id, degrees] : turns) {
        p.save();
        turnAbout(p, target, degrees);
        renderPart(svg, p, QString::fromUtf16(id), target);
        p.restore();
    }
    const qreal pulse = (9.5 + 1.8 * qSin(2 * M_PI * t * 2)) / 9.5;
    p.save();
    p.translate(target.center());
    p.scale(pulse, pulse);
    p.translate(-target.center());
    renderPart(svg, p, u"heart"_s, target);
    p.restore();
}

QList<QPixmap> buildRingFrames(const QString& file)
{
    QList<QPixmap> frames;
    for (int i = 0; i < kRingFrames; ++i)
        frames << renderPicture(file, [i](QSvgRenderer& svg, QPainter& p, const QRectF& target) {
            paintRingFrame(svg, p, target, i);
        });
    return frames;
}

// ---- tips ---------------------------------------------------------------------------------------

// The tip card with its heading, its number and its text written over it.
QPixmap tipFrame(const QString& heading, const QString& text, int number, int count)
{
    return renderPicture(u":/icons/tip.svg"_s, [&](QSvgRenderer& svg, QPainter& p, const QRectF& target) {
        svg.render(&p, target);
        QFont head;
        head.setPixelSize(12);
        head.setBold(true);
        p.setFont(head);
        p.setPen(QColor(150, 100, 10));
        p.drawText(QRectF(56, 6, 196, 16), Qt::AlignLeft | Qt::AlignVCenter, heading);
        QFont small;
        small.setPixelSize(10);
        p.setFont(small);
        p.setPen(QColor(175, 140, 60));
        p.drawText(QRectF(56, 6, 194, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(number) + u'/' + QString::number(count));
        QFont body;
        body.setPixelSize(13);
        p.setFont(body);
        p.setPen(QColor(60, 50, 25));
        p.drawText(QRectF(56, 23, 196, 44), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text);
    });
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
        u"在列表上单击右键可使用更多命令。"_s,     u"勾选 Delphi 启动时应加载的包。"_s,
        u"应用会把项目写入 Delphi 的注册表。"_s,   u"试验之前请先备份注册表。"_s,
        u"捕获会把 Delphi 当前的配置读入项目。"_s, u"未勾选的条目仍保留在项目中，随时可用。"_s,
    };
    const QStringList& texts = chinese ? translated : english;
    const QString heading = chinese ? u"小提示"_s : u"Tip"_s;
    QList<QPixmap> frames;
    for (int i = 0; i < texts.size(); ++i)
        frames << tipFrame(heading, texts.at(i), i + 1, int(texts.size()));
    return frames;
}

} // namespace

QString mainImageFile(int index)
{
    if (!validIndex(index))
        return {};
    return u":/icons/"_s + QString::fromUtf16(kMainImages[size_t(index)].file) + u".svg"_s;
}

QString themeImageName(int index)
{
    return validIndex(index) ? QString::fromUtf16(kMainImages[size_t(index)].theme) : QString();
}

QIcon ownImage(int index)
{
    static const QList<QIcon> icons = [] {
        QList<QIcon> result;
        for (int i = 0; i < kMainImageCount; ++i)
            result << svgIcon(mainImageFile(i));
        return result;
    }();
    return validIndex(index) ? icons.at(index) : QIcon();
}

QIcon mainImage(int index)
{
    if (!validIndex(index))
        return {};
    const QString theme = themeImageName(index);
    return theme.isEmpty() ? ownImage(index) : QIcon::fromTheme(theme, ownImage(index));
}

QList<QIcon> iconFrames()
{
    // One emblem drawn three times with its ring turned: the ring has three-fold symmetry, so
    // three steps of 40 degrees make a seamless turn.
    static const QList<QIcon> frames = [] {
        QList<QIcon> result;
        for (int phase = 0; phase < 3; ++phase)
            result << svgIcon(u":/icons/emblem.svg"_s, QString::number(phase),
                              [phase](QSvgRenderer& svg, QPainter& p, const QRectF& target) {
                                  renderPart(svg, p, u"tile"_s, target);
                                  p.save();
                                  turnAbout(p, target, 40.0 * phase);
                                  renderPart(svg, p, u"ring"_s, target);
                                  p.restore();
                                  renderPart(svg, p, u"mark"_s, target);
                              });
        return result;
    }();
    return frames;
}

QList<QPixmap> animateFrames()
{
    static const QList<QPixmap> frames = buildRingFrames(u":/icons/about-rings.svg"_s);
    return frames;
}

QList<QPixmap> animateFramesAlt()
{
    static const QList<QPixmap> frames = buildRingFrames(u":/icons/about-rings-alt.svg"_s);
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
    static const QPixmap logo = renderPicture(u":/icons/logo.svg"_s);
    return logo;
}

QPixmap eggPicture()
{
    static const QPixmap egg = renderPicture(u":/icons/egg.svg"_s);
    return egg;
}

QPixmap makerLogo()
{
    static const QPixmap logo = renderPicture(u":/icons/maker.svg"_s);
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
