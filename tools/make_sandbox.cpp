// Builds the demo sandbox: a Wine-prefix-shaped directory holding a synthetic Delphi 7 installation.

#include "fixtures/LargeProject.h"
#include "fixtures/Sandbox.h"
#include "platform/Errors.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTextStream out(stdout);
    QTextStream err(stderr);
    // "--project ENTRIES FILE" writes a project of that many entries, for measuring.
    if (args.size() == 4 && args[1] == QStringLiteral("--project")) {
        bool ok = false;
        const int entries = args[2].toInt(&ok);
        if (!ok || entries < 0) {
            err << "vorlix7-sandbox: not a number of entries: " << args[2] << '\n';
            return 2;
        }
        try {
            vx::fixtures::writeLargeProject(args[3], entries, QDateTime(QDate(2026, 12, 6), QTime(12, 0)));
        } catch (const vx::OperationError& e) {
            err << "vorlix7-sandbox: " << e.message() << '\n';
            return 1;
        }
        return 0;
    }
    if (args.size() != 2 || args[1].startsWith(u'-')) {
        err << "usage: vorlix7-sandbox PREFIX_DIR\n"
               "       vorlix7-sandbox --project ENTRIES FILE\n";
        return 2;
    }
    try {
        const vx::fixtures::Sandbox s = vx::fixtures::makeSandbox(args[1]);
        out << "prefix:         " << s.prefix << '\n'
            << "Delphi (host):  " << s.delphiHost << '\n'
            << "DelphiRoot:     " << s.delphiRoot << '\n'
            << "sample project: " << s.sampleProject << '\n';
    } catch (const vx::OperationError& e) {
        err << "vorlix7-sandbox: " << e.message() << '\n';
        return 1;
    }
    return 0;
}
