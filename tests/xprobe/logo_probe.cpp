// The logo animation alone in a window at the screen's top-left corner, for a test that presses
// it with real X events. Prints "started" and exits 0 once the animation starts, or prints the
// presses counted and exits 1 after five seconds.

#include "app/AboutPage.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.setGeometry(0, 0, 200, 200);
    QLabel logo(QStringLiteral("logo"), &window);
    logo.setGeometry(0, 0, 100, 100);
    QLabel egg(&window);
    QTimer timer;
    vx::app::LogoAnimation animation(&logo, &egg, &timer, &window);
    window.show();

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (animation.phase() != 0) {
            std::printf("started\n");
            QApplication::exit(0);
        }
    });
    poll.start(20);
    QTimer::singleShot(5000, [&] {
        std::printf("presses %d\n", animation.presses());
        QApplication::exit(1);
    });
    return QApplication::exec();
}
