#include "delphireg/ApplyPreview.h"
#include "delphireg/DelphiConfig.h"
#include "delphireg/RegistryAccess.h"
#include "fixtures/Sandbox.h"
#include "platform/ini/IniFile.h"
#include "platform/PathBridge.h"
#include "platform/registry/RegistryStore.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "project/ProjectFile.h"
#include "support/RegistryContents.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

using Group = RegistryChange::Group;
using Kind = RegistryChange::Kind;

const QString kD7 = QString::fromUtf16(delphikeys::kRoot);
const QString kCuD7 = u"HKEY_CURRENT_USER\\"_s + kD7;

struct Expected
{
    Group group;
    Kind kind;
    QString key;
    QString value;
    QString oldData;
    QString newData;
};

bool matches(const RegistryChange& c, const Expected& e)
{
    return c.group == e.group && c.kind == e.kind && c.keyName() == e.key && c.valueName() == e.value &&
           c.oldData == e.oldData && c.newData == e.newData;
}

void put(RegistryStore& s, RegRoot root, const QString& path, const RegValue& v)
{
    s.createKey(root, path);
    s.setValue(root, path, v);
}

// The IDE's trees as the lines of test::appendRegistryContents.
QStringList delphiTrees(const RegistryStore& s)
{
    QStringList out;
    for (const DelphiKeyTree& t : DelphiKeyTrees())
        test::appendRegistryContents(s, t.root, t.path, out);
    return out;
}

// Registry lines sorted, value names compared as the registry compares them.
QStringList lowerNames(const QStringList& lines)
{
    QStringList out;
    for (const QString& l : lines) {
        QStringList f = l.split(u'|');
        if (f.size() == 5)
            f[2] = f[2].toLower();
        out << f.join(u'|');
    }
    out.sort();
    return out;
}

QString unmatched(const QStringList& lines, const QStringList& others)
{
    QStringList out;
    for (const QString& l : lines) {
        if (!others.contains(l))
            out << l;
    }
    return out.join(u'\n');
}

// The lines of the registry before Apply with the previewed changes made to them.
QStringList replayed(QStringList lines, const std::vector<RegistryChange>& changes)
{
    const auto keyLine = [](const RegistryChange& c) -> QString {
        return QString::number(int(c.root)) + u'|' + c.path.toLower();
    };
    const auto valueLine = [&](const RegistryChange& c, const RegValue& v) -> QString {
        return keyLine(c) + u'|' + v.name + u'|' + QString::number(v.type) + u'|' +
               QString::fromLatin1(v.data.toHex());
    };
    for (const RegistryChange& c : changes) {
        if (c.kind == Kind::KeyAdded)
            lines << keyLine(c);
        if (c.kind == Kind::KeyRemoved) {
            EXPECT_TRUE(lines.removeOne(keyLine(c))) << keyLine(c).toStdString();
        }
        if (c.oldValue) {
            EXPECT_TRUE(lines.removeOne(valueLine(c, *c.oldValue)))
                << valueLine(c, *c.oldValue).toStdString();
        }
        if (c.newValue)
            lines << valueLine(c, *c.newValue);
    }
    return lowerNames(lines);
}

} // namespace

// The preview is every key and value Apply changes, read from the registry before and after: a
// change that Get Delphi does not read (the palette layout, RootDir) shows as well, and the
// changes made to the registry as it was give exactly what a real Apply leaves.
TEST(ApplyPreview, ListsEveryChangeApplyWrites)
{
    QTemporaryDir dir;
    const fixtures::Sandbox sb = fixtures::makeSandbox(dir.filePath(u"p"_s));
    const PathMacro macro(sb.delphiRoot);
    const PathBridge bridge(sb.prefix);
    ConfigProject project;
    IniFile file(sb.sampleProject);
    readProject(file, project, macro, {&bridge, QDateTime(QDate(2026, 12, 6), QTime(9, 0)), {}});
    const QByteArray userReg = test::readAll(sb.prefix + u"/user.reg"_s);
    const QByteArray systemReg = test::readAll(sb.prefix + u"/system.reg"_s);
    const auto applied = [&](RegistryStore& s) { applyProject(s, project, macro, bridge); };
    const QString codeTools = sb.delphiRoot + u"Experts\\CodeTools.dll"_s;
    const QString lmD7 = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Borland\\Delphi\\7.0"_s;

    struct Case
    {
        const char* name;
        std::function<void(RegistryStore&)> registry; // made from the sandbox's, in memory
        QString summary;
        std::vector<Expected> among;
    };
    const std::vector<Case> cases = {
        {"applied already", applied, u"Nothing would change."_s, {}},
        {"palette and another RootDir",
         [&](RegistryStore& s) {
             applied(s);
             put(s, RegRoot::CurrentUser, kD7 + u"\\Palette"_s,
                 RegValue::string(u"Standard"_s, u"TButton;TLabel"_s));
             put(s, RegRoot::CurrentUser, kD7 + u"\\Palette"_s,
                 {u"Layout"_s, REG_BINARY, QByteArray::fromHex("0a0bff")});
             put(s, RegRoot::CurrentUser, kD7, RegValue::string(u"RootDir"_s, u"C:\\Delphi7\\"_s));
             put(s, RegRoot::LocalMachine, kD7, RegValue::string(u"RootDir"_s, u"C:\\Delphi7\\"_s));
         },
         u"Apply makes 5 other value changes."_s,
         {{Group::Other, Kind::ValueChanged, kCuD7, u"RootDir"_s, u"C:\\Delphi7\\"_s, sb.delphiRoot},
          {Group::Other, Kind::KeyRemoved, kCuD7 + u"\\Palette"_s, {}, {}, {}},
          {Group::Other, Kind::ValueRemoved, kCuD7 + u"\\Palette"_s, u"Layout"_s, u"0A 0B FF"_s, {}},
          {Group::Other, Kind::ValueRemoved, kCuD7 + u"\\Palette"_s, u"Standard"_s, u"TButton;TLabel"_s, {}},
          {Group::Other, Kind::ValueChanged, lmD7, u"RootDir"_s, u"C:\\Delphi7\\"_s, sb.delphiRoot}}},
        {"a change in every list",
         [&](RegistryStore& s) {
             applied(s);
             s.deleteValue(RegRoot::CurrentUser, kD7 + u"\\Experts"_s, u"Code Tools"_s);
             put(s, RegRoot::CurrentUser, kD7 + u"\\Known Packages"_s,
                 RegValue::string(u"$(DELPHI)\\Bin\\dcldb70.bpl"_s, u"Old name"_s));
             put(s, RegRoot::CurrentUser, kD7 + u"\\Transfer"_s, RegValue::dword(u"Flags"_s, 0xffffffffu));
             put(s, RegRoot::CurrentUser, kD7 + u"\\Library"_s,
                 RegValue::string(u"Search Path"_s, u"C:\\Old"_s));
         },
         u"Apply makes 1 expert change, 1 package change, 1 tool change and 1 search path change."_s,
         {{Group::Experts, Kind::ValueAdded, kCuD7 + u"\\Experts"_s, u"Code Tools"_s, {}, codeTools},
          {Group::Tools, Kind::ValueRemoved, kCuD7 + u"\\Transfer"_s, u"Flags"_s, u"4294967295"_s, {}}}},
        {"the type alone",
         [&](RegistryStore& s) {
             applied(s);
             put(s, RegRoot::CurrentUser, kD7 + u"\\Transfer"_s,
                 RegValue::string(u"Count"_s, u"2"_s, REG_EXPAND_SZ));
         },
         u"Apply makes 1 tool change."_s,
         {{Group::Tools, Kind::ValueChanged, kCuD7 + u"\\Transfer"_s, u"Count"_s, u"hex(2): 32 00 00 00"_s,
           u"hex(1): 32 00 00 00"_s}}},
        {"no Delphi keys yet",
         [](RegistryStore& s) { clearDelphiRegistry(s); },
         u"Apply makes 3 expert changes, 6 package changes, 10 tool changes, 1 search path change and 5 "
         u"other value changes."_s,
         {{Group::Other, Kind::KeyAdded, kCuD7, {}, {}, {}},
          {Group::Experts, Kind::KeyAdded, kCuD7 + u"\\Experts"_s, {}, {}, {}},
          {Group::Other, Kind::ValueAdded, lmD7, u"RootDir"_s, {}, sb.delphiRoot}}},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HiveRegistryStore preview(sb.prefix);
        c.registry(preview);
        const std::vector<RegistryChange> changes = previewApply(preview, project, macro, bridge);
        const QString lines = applyPreviewLines(changes).join(u'\n');
        EXPECT_EQ(applyPreviewSummary(changes), c.summary) << lines.toStdString();
        for (const Expected& e : c.among) {
            EXPECT_TRUE(std::any_of(changes.begin(), changes.end(),
                                    [&](const RegistryChange& r) { return matches(r, e); }))
                << e.key.toStdString() << " " << e.value.toStdString() << "\n"
                << lines.toStdString();
        }

        HiveRegistryStore real(sb.prefix);
        c.registry(real);
        const QStringList before = delphiTrees(real);
        applyProject(real, project, macro, bridge);
        const QStringList previewed = replayed(before, changes), written = lowerNames(delphiTrees(real));
        EXPECT_TRUE(previewed == written)
            << "previewed, not written:\n"
            << unmatched(previewed, written).toStdString() << "\nwritten, not previewed:\n"
            << unmatched(written, previewed).toStdString();
    }
    EXPECT_EQ(test::readAll(sb.prefix + u"/user.reg"_s), userReg) << "the preview writes nothing";
    EXPECT_EQ(test::readAll(sb.prefix + u"/system.reg"_s), systemReg);
}
