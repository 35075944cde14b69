// Real pointer events under Xvfb, from xdotool: Qt's offscreen platform, which the other widget
// tests use, never delivers what X does, such as a quick second press arriving as a double click.

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Three quick presses on the logo start its animation: X reports the second of two quick presses
// as a double click, which counts as a press too. The probe shows the logo alone and ends once its
// animation starts.
TEST(RealX, ThreeQuickPressesOnTheLogoStartItsAnimation)
{
    // xvfb-run and the X11 utilities are installed by the test script: missing, the test fails.
    for (const QString& tool : {u"xvfb-run"_s, u"xwininfo"_s, u"xdotool"_s})
        EXPECT_FALSE(QStandardPaths::findExecutable(tool).isEmpty())
            << tool.toStdString() << " is not installed";
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"QT_QPA_PLATFORM"_s);
    env.remove(u"DISPLAY"_s);
    run.setProcessEnvironment(env);
    run.start(u"xvfb-run"_s, {u"-a"_s, u"-s"_s, u"-screen 0 1280x1024x24"_s, u"sh"_s, u"-c"_s, uR"(
"$1" & probe=$!
for i in $(seq 50); do xwininfo -root -tree | grep -q '200x200+0+0' && break; sleep 0.1; done
xdotool mousemove 50 50 sleep 0.3 click --repeat 3 --delay 120 1
wait $probe && echo "the probe saw the animation start"
)"_s,
                              u"sh"_s, QStringLiteral(VX_LOGO_PROBE)});
    EXPECT_TRUE(run.waitForFinished(90000));
    const QString out = QString::fromUtf8(run.readAllStandardOutput() + run.readAllStandardError());
    EXPECT_TRUE(out.contains(u"the probe saw the animation start"_s)) << out.toStdString();
}

} // namespace
