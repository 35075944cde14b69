// Builds the demo sandbox: a Wine-prefix-shaped directory holding a synthetic Delphi 7 installation.

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
    if (args.size() != 2 || args[1].startsWith(u'-')) {
        err << "usage: vorlix7-sandbox PREFIX_DIR\n";
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
