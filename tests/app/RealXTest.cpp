// The program as X11 sees it, under Xvfb: its window's title read back with xprop, and real
// pointer events from xdotool. Qt's offscreen platform, which the other widget tests use, never
// shows what Qt's X11 platform adds to titles, or double clicks.

#include "fixtures/Sandbox.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Runs the shell `script` with `args` as $1... under a 1280x1024 Xvfb screen of its own and returns
// what it printed; a program it starts keeps its desktop files in `home`, not in the user's folders.
QString underXvfb(const QString& home, const char* script, const QStringList& args)
{
    // xvfb-run and the X11 utilities are installed by the test script: missing, the test fails.
    for (const QString& tool : {u"xvfb-run"_s, u"xprop"_s, u"xwininfo"_s, u"xdotool"_s})
        EXPECT_FALSE(QStandardPaths::findExecutable(tool).isEmpty())
            << tool.toStdString() << " is not installed";
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"QT_QPA_PLATFORM"_s);
    env.remove(u"DISPLAY"_s);
    for (const auto& [name, folder] :
         {std::pair{u"XDG_DATA_HOME"_s, u"data"_s}, std::pair{u"XDG_CONFIG_HOME"_s, u"config"_s},
          std::pair{u"HOME"_s, u"home"_s}})
        env.insert(name, QDir(home).filePath(folder));
    run.setProcessEnvironment(env);
    run.start(u"xvfb-run"_s, QStringList{u"-a"_s, u"-s"_s, u"-screen 0 1280x1024x24"_s, u"sh"_s, u"-c"_s,
                                         QString::fromLatin1(script), u"sh"_s} +
                                 args);
    EXPECT_TRUE(run.waitForFinished(90000));
    return QString::fromUtf8(run.readAllStandardOutput() + run.readAllStandardError());
}

// The program started on a project: its main window's _NET_WM_NAME is its caption alone.
TEST(RealX, TheMainWindowsTitleIsItsCaptionAlone)
{
    QTemporaryDir dir;
    const vx::fixtures::Sandbox sb = vx::fixtures::makeSandbox(dir.filePath(u"prefix"_s));
    const QString app = sb.delphiHost + u"/Vorlix7"_s;
    ASSERT_TRUE(QFile::copy(QStringLiteral(VX_APP_PATH), app));
    const QString out = underXvfb(dir.path(), R"(
"$1" "$2" & app=$!
for i in $(seq 100); do
  sleep 0.2
  id=$(xwininfo -root -tree | grep -F '"Delphi 7 Vorlix' | head -n 1 | awk '{print $1}')
  [ -n "$id" ] && break
done
sleep 0.5
xprop -id "$id" _NET_WM_NAME
kill $app
)",
                                  {app, sb.sampleProject});
    EXPECT_TRUE(
        out.contains(u"_NET_WM_NAME(UTF8_STRING) = \"Delphi 7 Vorlix - "_s + sb.sampleProject + u"\"\n"_s))
        << out.toStdString();
}

// Three quick presses on the logo start its animation: X reports the second of two quick presses
// as a double click, which counts as a press too.
TEST(RealX, ThreeQuickPressesOnTheLogoStartItsAnimation)
{
    QTemporaryDir dir;
    const QString out = underXvfb(dir.path(), R"(
"$1" & probe=$!
for i in $(seq 50); do xwininfo -root -tree | grep -q '200x200+0+0' && break; sleep 0.1; done
xdotool mousemove 50 50 sleep 0.3 click --repeat 3 --delay 120 1
wait $probe && echo "the probe saw the animation start"
)",
                                  {QStringLiteral(VX_LOGO_PROBE)});
    EXPECT_TRUE(out.contains(u"the probe saw the animation start"_s)) << out.toStdString();
}

} // namespace
