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
    // Registry changes leave snapshots in $XDG_STATE_HOME: every test (and every program it
    // starts) keeps them in a folder of its own that goes with the run.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
