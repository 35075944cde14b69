#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef VX_WIDGET_TESTS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    // Widget tests never need a screen; a run from a desktop may still ask for one explicitly.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Registry changes leave snapshots in $XDG_STATE_HOME, and a closing window writes launchers,
    // MIME types and mimeapps.list under the other XDG folders: every test process (and every
    // program it starts) keeps them in folders of its own that go with the run, never in the
    // user's home. Tests that look at those files set their own folders on top.
    QTemporaryDir home;
    for (const char* name : {"XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
        qputenv(name, QDir(home.path()).filePath(QString::fromLatin1(name)).toUtf8());
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
