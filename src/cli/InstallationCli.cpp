// Which installation vorlix7-cli works on, and the command that lists the installations it finds.

#include "cli/CliSupport.h"
#include "platform/InstallationFinder.h"
#include "project/ProgramPlace.h"

#include <QCoreApplication>
#include <QDir>

using namespace Qt::StringLiterals;

namespace vx::cli {

namespace {

QString configPath()
{
    return programConfigPath(FinderEnvironment::fromProcess().configHome());
}

} // namespace

Installation chooseInstallation(const QString& rootOption, const QString& prefixOption)
{
    if (!rootOption.isEmpty()) {
        if (!QFileInfo(rootOption).isDir())
            throw OperationError(u"Delphi directory not found: "_s + rootOption);
        return Installation::locate(rootOption, prefixOption);
    }
    const Installation beside = Installation::locate(QCoreApplication::applicationDirPath(), prefixOption);
    if (beside.hasDelphiExe())
        return beside;
    const auto [found, searched] = searchInstallations(finderEnvironmentOfProcess(), prefixOption);
    if (found.size() == 1)
        return Installation::locate(found[0].hostRoot, found[0].prefix);
    if (found.empty()) {
        throw OperationError(
            u"Delphi(Bin\\Delphi32.exe) is not found beside this program, and no Delphi 7 "
            "installation was found in:\n  "_s +
            searched.join(u"\n  "_s) +
            u"\nName its folder with --root DIR, or add a prefix to Prefixes= (folders separated "
            "by ':') in the [Installations] section of "_s +
            configPath());
    }
    QString list;
    for (const FoundInstallation& f : found)
        list += u"\n  "_s + f.hostRoot + u"  ("_s + placeName(f.place) + u", "_s + f.productVersion + u')';
    throw OperationError(
        u"%1 Delphi 7 installations were found; choose one with --root DIR:"_s.arg(found.size()) + list);
}

QString settingsFileOf(const Installation& inst)
{
    return programFilesFor(QCoreApplication::applicationFilePath(), u"Vorlix7.wv7"_s, inst.prefix(),
                           inst.hostRoot, FinderEnvironment::fromProcess().configHome())
        .settingsFile;
}

int runInstallations(const Invocation& call)
{
    const auto [found, searched] = searchInstallations(finderEnvironmentOfProcess(), call.value(u"prefix"_s));
    if (call.isSet(u"json"_s)) {
        printJson([&](JsonWriter& json) {
            json.beginArray();
            for (const FoundInstallation& f : found) {
                json.beginObject();
                json.key("delphiRoot"_L1).value(f.delphiRoot);
                json.key("hostRoot"_L1).value(f.hostRoot);
                json.key("place"_L1).value(placeName(f.place));
                json.key("prefix"_L1).value(f.prefix);
                json.key("productVersion"_L1).value(f.productVersion);
                json.endObject();
            }
            json.endArray();
        });
        return Ok;
    }
    if (found.empty())
        out() << "No Delphi 7 installation was found in:\n  " << searched.join(u"\n  "_s) << '\n';
    for (const FoundInstallation& f : found)
        out() << f.hostRoot << '\t' << f.delphiRoot << '\t' << f.productVersion << '\t' << placeName(f.place)
              << '\t' << f.prefix << '\n';
    out() << Qt::flush;
    return Ok;
}

} // namespace vx::cli
