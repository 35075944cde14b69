#pragma once

// Delphi packages as real PE files: the PACKAGEINFO and DESCRIPTION resources written as binary
// files, named in a resource script, compiled by MinGW's windres and linked into a 32-bit DLL by
// MinGW's gcc, as a package's resources sit in a .bpl.

#include "support/TestFiles.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QtEndian>

#include <optional>
#include <vector>

namespace vx::test {

using namespace Qt::StringLiterals;

struct FixtureUnit
{
    QByteArray name;
    quint8 flags;
};

// PACKAGEINFO in Delphi 7's layout: flags, required packages (hash, name), contained units (flags,
// hash, name); `trailing` stands for the fields later versions append.
inline QByteArray packageInfoBlob(quint32 flags, const QList<QByteArray>& requires_,
                                  const std::vector<FixtureUnit>& units, const QByteArray& trailing = {})
{
    QByteArray b;
    const auto append32 = [&b](quint32 v) {
        char le[4];
        qToLittleEndian<quint32>(v, le);
        b.append(le, 4);
    };
    // The hash is the name's length here: a reader has no use for it and must not mistake it.
    append32(flags);
    append32(quint32(requires_.size()));
    for (const QByteArray& name : requires_)
        b.append(char(name.size())).append(name).append('\0');
    append32(quint32(units.size()));
    for (const FixtureUnit& u : units)
        b.append(char(u.flags)).append(char(u.name.size())).append(u.name).append('\0');
    return b + trailing;
}

// The text as the DESCRIPTION resource holds it: UTF-16LE (this machine's order) with a closing NUL.
inline QByteArray descriptionBlob(const QString& text)
{
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), (text.size() + 1) * 2);
}

// Builds packages with MinGW in a folder; `missing` names a tool that is not installed.
class PackageBuilder
{
  public:
    explicit PackageBuilder(const QString& folder) : m_folder(folder)
    {
        for (const QString& name : {u"i686-w64-mingw32-windres"_s, u"i686-w64-mingw32-gcc"_s}) {
            if (QStandardPaths::findExecutable(name).isEmpty())
                m_missing = name + u" is not installed (scripts/install-deps.sh installs it)"_s;
        }
    }
    QString missing() const { return m_missing; }

    // The package `name`.bpl with these resources (none when empty), importing the packages
    // `links` built before it, or the tools' complaint.
    std::optional<QString> build(const QString& name, const QByteArray& packageInfo,
                                 const QByteArray& description, QString* why,
                                 const QStringList& links = {}) const
    {
        QByteArray source, calls = "7";
        for (const QString& link : links) {
            source += "__declspec(dllimport) int vx_" + link.toUtf8() + "(void);\n";
            calls += " + vx_" + link.toUtf8() + "()";
        }
        writeAll(m_folder + u'/' + name + u".c"_s, source + "__declspec(dllexport) int vx_" + name.toUtf8() +
                                                       "(void) { return " + calls + "; }\n");
        QByteArray script;
        for (const auto& [resource, bytes] :
             {std::pair{"PACKAGEINFO", packageInfo}, {"DESCRIPTION", description}}) {
            if (!bytes.isEmpty()) {
                writeAll(m_folder + u'/' + name + u'.' + QLatin1StringView(resource), bytes);
                script += QByteArray(resource) + " RCDATA \"" + name.toUtf8() + '.' + resource + "\"\n";
            }
        }
        QStringList sources{name + u".c"_s};
        if (!script.isEmpty()) {
            writeAll(m_folder + u'/' + name + u".rc"_s, script);
            if (!run(u"i686-w64-mingw32-windres"_s,
                     {name + u".rc"_s, u"-O"_s, u"coff"_s, u"-o"_s, name + u".o"_s}, why))
                return std::nullopt;
            sources << name + u".o"_s;
        }
        for (const QString& link : links)
            sources << link + u".bpl"_s;
        if (!run(u"i686-w64-mingw32-gcc"_s, QStringList{u"-shared"_s, u"-o"_s, name + u".bpl"_s} + sources,
                 why))
            return std::nullopt;
        return m_folder + u'/' + name + u".bpl"_s;
    }

  private:
    bool run(const QString& program, const QStringList& args, QString* why) const
    {
        QProcess p;
        p.setWorkingDirectory(m_folder);
        p.start(program, args);
        if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return true;
        *why = program + u": "_s + QString::fromLocal8Bit(p.readAllStandardError());
        return false;
    }

    QString m_folder;
    QString m_missing;
};

} // namespace vx::test
