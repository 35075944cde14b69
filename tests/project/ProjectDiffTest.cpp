#include "project/ProjectDiff.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

const PathMacro kMacro(u"C:\\Program Files\\Borland\\Delphi7\\"_s);

ComponentEntry package(const QString& name, const QString& file, bool selected = true,
                       const QString& include = {})
{
    return {name, file, include, {}, selected};
}

ExpertEntry expert(const QString& name, const QString& file, bool selected = true)
{
    return {name, file, {}, selected};
}

std::string lines(const ProjectDiff& d)
{
    return diffReviewLines(d).join(u'\n').toStdString();
}

} // namespace

TEST(ProjectDiff, PackagesMatchAcrossGroupsAndListingsInOrder)
{
    ConfigProject a, b;
    a.addGroup(u"Delphi7"_s).add(package(u"Indy"_s, u"$(Delphi)\\Bin\\dclindy.bpl"_s));
    a.group(0).add(package(u"Rave"_s, u"$(Delphi)\\Bin\\dclRave.bpl"_s));
    b.addGroup(u"Delphi7"_s).add(package(u"Rave"_s, u"$(Delphi)\\Bin\\dclRave.bpl"_s));
    b.addGroup(u"Internet"_s).add(package(u"Indy"_s, u"$(Delphi)\\Bin\\dclindy.bpl"_s, false));

    EXPECT_EQ(diffReviewLines(diffProjects(a, b, kMacro)),
              (QStringList{u"package moved: Indy ($(Delphi)\\Bin\\dclindy.bpl) from Delphi7 to Internet"_s,
                           u"package disabled in Internet: Indy ($(Delphi)\\Bin\\dclindy.bpl)"_s}));

    // A group name differing only in case is the same group.
    ConfigProject c;
    c.addGroup(u"DELPHI7"_s).add(package(u"Rave"_s, u"$(Delphi)\\Bin\\dclRave.bpl"_s));
    c.group(0).add(package(u"Indy"_s, u"$(Delphi)\\Bin\\dclindy.bpl"_s));
    EXPECT_TRUE(diffProjects(a, c, kMacro).isEmpty()) << lines(diffProjects(a, c, kMacro));

    // A file listed twice matches its listings in order: the second is the one removed (or added).
    ConfigProject d, e;
    d.addGroup(u"A"_s).add(package(u"P"_s, u"C:\\p.bpl"_s));
    d.addGroup(u"B"_s).add(package(u"P"_s, u"C:\\p.bpl"_s));
    e.addGroup(u"A"_s).add(package(u"P"_s, u"C:\\P.BPL"_s));
    EXPECT_EQ(diffReviewLines(diffProjects(d, e, kMacro)),
              QStringList{u"package removed in B: P (C:\\p.bpl)"_s});
    EXPECT_EQ(diffReviewLines(diffProjects(e, d, kMacro)),
              QStringList{u"package added in B: P (C:\\p.bpl)"_s});
}

TEST(ProjectDiff, ChangedFieldsAreNamedAndProjectOnlyOnesCountBetweenProjects)
{
    ConfigProject a, b;
    a.experts().add(expert(u"Old name"_s, u"C:\\x\\e.dll"_s, false));
    b.experts().add(expert(u"New name"_s, u"C:\\x\\e.dll"_s, true));
    a.addGroup(u"G"_s).add(package(u"P"_s, u"C:\\p.bpl"_s, true, u"C:\\inc"_s));
    b.addGroup(u"G"_s).add(package(u"P"_s, u"C:\\p.bpl"_s, true, u"C:\\inc2"_s));
    a.tools().add({u"T"_s, u"C:\\t.exe"_s, u"C:\\"_s, u"-a"_s, true});
    b.tools().add({u"T2"_s, u"C:\\t.exe"_s, u"C:\\w"_s, u"-a"_s, true});

    EXPECT_EQ(diffReviewLines(diffProjects(a, b, kMacro)),
              (QStringList{u"expert enabled: New name (C:\\x\\e.dll)"_s,
                           u"expert changed: New name (C:\\x\\e.dll) [name]"_s,
                           u"package changed in G: P (C:\\p.bpl) [includePath]"_s,
                           u"tool changed: T2 (C:\\t.exe) [title, workingDir]"_s}));

    // Notes, include paths, groups and unchecked entries count only between projects.
    ConfigProject c, d;
    ExpertEntry e = expert(u"E"_s, u"C:\\e.dll"_s);
    c.experts().add(e);
    e.note = u"from the vendor"_s;
    d.experts().add(e);
    c.addGroup(u"Delphi7"_s).add(package(u"P"_s, u"C:\\p.bpl"_s));
    d.addGroup(u"Mine"_s).add(package(u"P"_s, u"C:\\p.bpl"_s, true, u"C:\\src"_s));
    d.group(0).add(package(u"Q"_s, u"C:\\q.bpl"_s, false));
    d.group(0).add(package(u"R"_s, u"C:\\r.bpl"_s));
    d.experts().add(expert(u"Off"_s, u"C:\\off.dll"_s, false));
    d.tools().add({u"Off"_s, u"C:\\off.exe"_s, {}, {}, false});
    EXPECT_EQ(diffProjects(c, d, kMacro).count(), 7u) << lines(diffProjects(c, d, kMacro));

    // Against the registry, which holds no unchecked entries, only the checked new one counts,
    // either way round.
    EXPECT_EQ(diffReviewLines(diffProjects(c, d, kMacro, DiffOptions{false})),
              QStringList{u"package added in Mine: R (C:\\r.bpl)"_s});
    EXPECT_EQ(diffReviewLines(diffProjects(d, c, kMacro, DiffOptions{false})),
              QStringList{u"package removed in Mine: R (C:\\r.bpl)"_s});
}

// Apply numbers the tools in the list's order, and the IDE's Tools menu follows it: a change of
// order is a change, reported as the fewest tools moved. "-name" is an unchecked tool; a change is
// "name from>to" for a move, else its word and the name (the review line of a move is the
// packages' test's).
TEST(ProjectDiff, AChangeOfTheToolsOrderIsTheFewestMoves)
{
    const auto addTools = [](ConfigProject& p, const char* names) {
        for (const QString& n : QString::fromLatin1(names).split(u' ')) {
            const QString name = n.startsWith(u'-') ? n.mid(1) : n;
            p.tools().add({name, u"C:\\"_s + name + u".exe"_s, {}, {}, !n.startsWith(u'-')});
        }
    };
    const struct
    {
        const char* what;
        const char *a, *b;
        bool registryOnly;
        const char* changes;
    } cases[] = {
        {"reversed", "w x y z", "z y x w", false, "z 4>1, y 3>2, x 2>3"},
        {"added and removed tools move no other", "x y z", "w x z", false, "added w, removed y"},
        {"an unchecked tool moved within the project", "x y z", "-y x z", false, "y 2>1, disabled y"},
        {"against the registry an unchecked tool has no place", "x y z", "-y x z", true, "disabled y"},
        {"against the registry places count among checked tools", "x y z", "-w z x y", true, "z 3>1"},
    };
    for (const auto& c : cases) {
        ConfigProject a, b;
        addTools(a, c.a);
        addTools(b, c.b);
        const ProjectDiff d = diffProjects(a, b, kMacro, DiffOptions{!c.registryOnly});
        QStringList changes;
        for (const DiffItem& t : d.tools)
            changes << (t.change == DiffChange::Moved ? QString(t.name + u' ' + t.from + u'>' + t.to)
                                                      : QString(diffChangeName(t.change) + u' ' + t.name));
        EXPECT_EQ(changes.join(u", "_s), QString::fromLatin1(c.changes)) << c.what << ":\n" << lines(d);
    }
}

// Whether two stored paths name the same file or folder, worked out the plain way: expand the
// macro, drop a folder's trailing separators down to "C:\", compare ignoring A-Z case.
static bool sameByExpansion(const QString& x, const QString& y, bool folders)
{
    auto expanded = [&](const QString& s) {
        QString e = kMacro.expand(s);
        while (folders && e.size() > 3 && (e.endsWith(u'\\') || e.endsWith(u'/')))
            e.chop(1);
        return e;
    };
    return equalsIgnoringAsciiCase(expanded(x), expanded(y));
}

TEST(ProjectDiff, IdentityAgreesWithExpandingTheMacroForEveryPairOfSpellings)
{
    // DelphiRoot itself with and without separators, paths just inside and just beside it, ASCII case
    // changes, and the macro where it is and is not a prefix; as an expert's and a package's file, a
    // search-path folder and a tool's working directory.
    const QStringList spellings{
        u"$(Delphi)\\/"_s,
        u"C:\\Program Files\\Borland\\Delphi7"_s,
        u"c:\\program files\\borland\\delphi7\\"_s,
        u"C:\\Program Files\\Borland\\Delphi7x"_s,
        u"$(DELPHI)\\lib\\"_s,
        u"C:\\PROGRAM FILES\\BORLAND\\DELPHI7\\LIB"_s,
        u"C:\\Program Files\\Borland\\Delphi7\\Lib\\x.bpl"_s,
        u"$(Delphi)\\Lib\\X.BPL"_s,
        u"$(Delphi)Lib"_s,
        u"C:\\"_s,
        u"C:\\\\"_s,
    };
    for (const QString& x : spellings) {
        for (const QString& y : spellings) {
            SCOPED_TRACE(QString(x + u" against "_s + y).toStdString());
            ConfigProject a, b;
            a.searchPath().addPath(x);
            b.searchPath().addPath(y);
            a.experts().add(expert(u"E"_s, x));
            b.experts().add(expert(u"E"_s, y));
            a.addGroup(u"G"_s).add(package(u"P"_s, x));
            b.addGroup(u"G"_s).add(package(u"P"_s, y));
            a.tools().add({u"T"_s, u"C:\\t.exe"_s, x, {}, true});
            b.tools().add({u"T"_s, u"C:\\t.exe"_s, y, {}, true});
            const ProjectDiff d = diffProjects(a, b, kMacro);
            EXPECT_EQ(d.searchPath.empty(), sameByExpansion(x, y, true));
            EXPECT_EQ(d.experts.empty(), sameByExpansion(x, y, false));
            EXPECT_EQ(d.packages.empty(), sameByExpansion(x, y, false));
            EXPECT_EQ(d.tools.empty(), sameByExpansion(x, y, true)) << lines(d);
        }
    }
}
