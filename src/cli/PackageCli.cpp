// The command that shows what a Delphi package (.bpl) says about itself.

#include "cli/CliSupport.h"
#include "platform/CodePage.h"
#include "platform/pe/PackageInfo.h"

using namespace Qt::StringLiterals;

namespace vx::cli {

namespace {

QString yesNo(bool b)
{
    return b ? u"yes"_s : u"no"_s;
}

// The unit's flags as words, "-" for none.
QString unitFlagWords(const PackageUnit& u)
{
    QStringList words;
    const std::pair<bool, QString> flags[] = {{u.mainUnit, u"main"_s},
                                              {u.packageUnit, u"package unit"_s},
                                              {u.weakPackaged, u"weak packaged"_s},
                                              {u.originalWeak, u"original weak"_s},
                                              {u.implicit, u"implicit"_s}};
    for (const auto& [set, word] : flags)
        if (set)
            words << word;
    return words.isEmpty() ? u"-"_s : words.join(u", "_s);
}

void printJsonInfo(const QString& file, const PackageInfo& p)
{
    printJson([&](JsonWriter& json) {
        json.beginObject();
        json.key("containedUnits"_L1).beginArray();
        for (const PackageUnit& u : p.containedUnits) {
            json.beginObject();
            json.key("flags"_L1).value(int(u.flags));
            json.key("implicit"_L1).value(u.implicit);
            json.key("mainUnit"_L1).value(u.mainUnit);
            json.key("name"_L1).value(u.name);
            json.key("originalWeak"_L1).value(u.originalWeak);
            json.key("packageUnit"_L1).value(u.packageUnit);
            json.key("weakPackaged"_L1).value(u.weakPackaged);
            json.endObject();
        }
        json.endArray();
        if (p.hasDescription)
            json.key("description"_L1).value(p.description);
        else
            json.key("description"_L1).null();
        json.key("designOnly"_L1).value(p.designOnly);
        json.key("duplicateCheckOff"_L1).value(p.duplicateCheckOff);
        json.key("file"_L1).value(file);
        json.key("flags"_L1).value(qint64(p.flags));
        json.key("moduleType"_L1).value(moduleTypeName(p.moduleType));
        json.key("neverBuild"_L1).value(p.neverBuild);
        json.key("producer"_L1).value(producerName(p.producer));
        json.key("requiredPackages"_L1).beginArray();
        for (const QString& name : p.requiredPackages)
            json.value(name);
        json.endArray();
        json.key("runOnly"_L1).value(p.runOnly);
        json.endObject();
    });
}

} // namespace

int runPackageInfo(const Invocation& call)
{
    const QString& file = call.args[0];
    // Names are in the ANSI code page: that of --prefix when given, else 1252.
    if (const QString prefix = call.value(u"prefix"_s); !prefix.isEmpty())
        useAnsiCodePageOfPrefix(prefix);
    const PackageInfo p = readPackageInfo(file);
    if (!p.ok)
        return fail(file + u": "_s + p.error);
    if (call.isSet(u"json"_s)) {
        printJsonInfo(file, p);
        return Ok;
    }
    out() << "File:              " << file << '\n'
          << "Description:       " << (p.hasDescription ? p.description : u"(none)"_s) << '\n'
          << "Flags:             0x" << QString::number(p.flags, 16).rightJustified(8, u'0') << '\n'
          << "Never build:       " << yesNo(p.neverBuild) << '\n'
          << "Design only:       " << yesNo(p.designOnly) << '\n'
          << "Run only:          " << yesNo(p.runOnly) << '\n'
          << "Duplicate check:   " << (p.duplicateCheckOff ? "off" : "on") << '\n'
          << "Producer:          " << producerName(p.producer) << '\n'
          << "Module type:       " << moduleTypeName(p.moduleType) << '\n'
          << "\nRequires (" << p.requiredPackages.size() << ")\n";
    for (const QString& name : p.requiredPackages)
        out() << "  " << name << '\n';
    out() << "\nContains (" << p.containedUnits.size() << ")\n";
    for (const PackageUnit& u : p.containedUnits)
        out() << "  " << u.name << "  [" << unitFlagWords(u) << "]\n";
    out() << Qt::flush;
    return Ok;
}

} // namespace vx::cli
