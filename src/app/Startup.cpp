#include "app/Startup.h"

#include "platform/Errors.h"
#include "project/ProgramPlace.h"
#include "prompter/Prompter.h"

#include <QDir>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vx::app {

namespace {

// A choice that cannot be written is not remembered; the program works all the same.
void remember(const QString& configPath, const std::optional<ChosenInstallation>& chosen)
{
    try {
        rememberChosenInstallation(configPath, chosen);
    } catch (const OperationError&) {
    }
}

Installation fromFound(const FoundInstallation& found)
{
    return Installation::locate(found.hostRoot, found.prefix);
}

} // namespace

QString missingDelphiMessage(const Installation& installation)
{
    if (installation.hasDelphiExe())
        return {};
    return u"Delphi(Bin\\Delphi32.exe) is not found!\n\nPlease copy me to Delphi's directory and run again."_s;
}

StartOptions parseStartOptions(const QStringList& arguments)
{
    StartOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        QString* target = nullptr;
        for (auto [name, field] :
             {std::pair{u"--root"_s, &options.root}, std::pair{u"--prefix"_s, &options.prefix}}) {
            if (a == name) {
                if (i + 1 == arguments.size() || arguments[i + 1].isEmpty()) {
                    options.error = name + u" needs a folder"_s;
                    return options;
                }
                *field = arguments[++i];
                target = field;
            } else if (a.startsWith(name + u'=')) {
                *field = a.mid(name.size() + 1);
                target = field;
            }
        }
        if (!target)
            options.rest << a;
    }
    return options;
}

StartInstallation chooseStartInstallation(const QString& programDir, const StartOptions& options,
                                          const FinderEnvironment& env, const QString& configPath)
{
    if (!options.root.isEmpty()) {
        const Installation named = Installation::locate(options.root, options.prefix);
        if (const QString refusal = missingDelphiMessage(named); !refusal.isEmpty())
            return {std::nullopt, refusal};
        return {named, {}};
    }
    const Installation beside = Installation::locate(programDir, options.prefix);
    if (beside.hasDelphiExe())
        return {beside, {}};

    const auto [found, searched] = searchInstallations(env, options.prefix);
    if (found.empty()) {
        return {std::nullopt,
                missingDelphiMessage(beside) + u"\n\nNo Delphi 7 installation was found in:\n  "_s +
                    searched.join(u"\n  "_s) +
                    u"\n\nStart me with --root <Delphi's folder>, or add its Wine prefix to "
                    "Prefixes= (folders separated by ':') in the [Installations] section of "_s +
                    configPath + u'.'};
    }
    if (found.size() == 1)
        return {fromFound(found[0]), {}};

    int current = 0;
    if (const std::optional<ChosenInstallation> remembered = chosenInstallation(configPath)) {
        const auto it = std::find_if(found.begin(), found.end(), [&](const FoundInstallation& f) {
            return f.prefix == remembered->prefix && f.hostRoot == remembered->hostRoot;
        });
        if (it != found.end())
            current = int(it - found.begin());
        else
            remember(configPath, std::nullopt); // it is gone
    }
    QStringList rows;
    for (const FoundInstallation& f : found)
        rows << f.label();
    const std::optional<int> chosen = Prompter::current().chooseItem(
        nullptr, QString::fromUtf16(kProductName),
        u"Several Delphi 7 installations were found. Choose the one to configure:"_s, rows, current);
    if (!chosen || *chosen < 0 || *chosen >= int(found.size()))
        return {std::nullopt, {}};
    const FoundInstallation& f = found[size_t(*chosen)];
    remember(configPath, ChosenInstallation{f.prefix, f.hostRoot});
    return {fromFound(f), {}};
}

} // namespace vx::app
