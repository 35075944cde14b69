#include "project/PathMacro.h"

#include "platform/PathBridge.h"

#include <QStringList>

namespace vx {

PathMacro::PathMacro(QString delphiRoot) : m_root(std::move(delphiRoot))
{
    if (!m_root.endsWith(u'\\'))
        m_root += u'\\';
}

QString PathMacro::pathTail(const QString& s, qsizetype n)
{
    return s.size() <= n ? QString() : s.mid(n);
}

bool PathMacro::isMacroForm(const QString& path)
{
    return startsWithIgnoringAsciiCase(path, kMacro);
}

QString PathMacro::shorten(const QString& path) const
{
    if (startsWithIgnoringAsciiCase(path, m_root))
        return kMacro.toString() + pathTail(path, m_root.size());
    return path;
}

QString PathMacro::expand(const QString& stored) const
{
    if (isMacroForm(stored))
        return m_root + pathTail(stored, kMacro.size());
    return stored;
}

bool PathMacro::isSameFile(const QString& candidate, const QString& stored) const
{
    return equalsIgnoringAsciiCase(expand(stored), candidate);
}

int PathMacro::entryImageIndex(const QString& stored, const PathBridge* bridge) const
{
    const bool inside = isMacroForm(stored);
    const bool present = !bridge || bridge->fileExists(expand(stored));
    if (inside)
        return present ? ImageInsideRoot : ImageInsideRootMissing;
    return present ? ImageOutsideRoot : ImageOutsideRootMissing;
}

QStringList splitSearchPath(const QString& text, const PathMacro& macro)
{
    QStringList rows;
    QString segment;
    for (QChar c : text) {
        if (c == u';') {
            rows.append(macro.shorten(segment));
            segment.clear();
        } else {
            segment += c;
        }
    }
    if (!segment.isEmpty())
        rows.append(macro.shorten(segment));
    return rows;
}

QString joinSearchPath(const QStringList& rows)
{
    return rows.join(u';');
}

} // namespace vx
