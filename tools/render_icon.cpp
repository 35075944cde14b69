// Renders the program's SVG icon as the PNG sizes that menus and panels of the icon theme use:
// render_icon SVG OUTDIR SIZE... writes OUTDIR/SIZExSIZE/apps/vorlix7.png for each size.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fputs("usage: render_icon SVG OUTDIR SIZE...\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "render_icon: %s is no SVG picture\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        const QString folder = QString::fromLocal8Bit(argv[2]) + u'/' + QString::number(size) + u'x' +
                               QString::number(size) + QStringLiteral("/apps");
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        svg.render(&painter);
        painter.end();
        if (size <= 0 || !QDir().mkpath(folder) || !image.save(folder + QStringLiteral("/vorlix7.png"))) {
            std::fprintf(stderr, "render_icon: cannot write the %s pixel icon in %s\n", argv[i], argv[2]);
            return 1;
        }
    }
    return 0;
}
