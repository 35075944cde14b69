#pragma once

#include "platform/AsciiCase.h"

#include <QString>

namespace vx {

class PathBridge;

// The row images of the lists: a path inside DelphiRoot (macro form) or outside it, each with the
// file present or missing.
enum EntryImage : int {
    ImageInsideRoot = 12,
    ImageOutsideRoot = 18,
    ImageInsideRootMissing = 27,
    ImageOutsideRootMissing = 28,
};

// DelphiRoot, the Windows-form directory that "$(Delphi)\" stands for, with the macro operations
// on Windows-form paths. All comparisons ignore the case of the ASCII letters only.
class PathMacro
{
  public:
    static constexpr QStringView kMacro = u"$(Delphi)\\";

    // `delphiRoot` is given a trailing backslash when it lacks one.
    explicit PathMacro(QString delphiRoot = QStringLiteral("C:\\"));

    const QString& delphiRoot() const { return m_root; }
    qsizetype rootLength() const { return m_root.size(); }

    // The characters of s after its first n; empty when s has n or fewer.
    static QString pathTail(const QString& s, qsizetype n);
    static bool isMacroForm(const QString& path);

    QString shorten(const QString& path) const;
    QString expand(const QString& stored) const;
    // The candidate (an absolute path chosen in a dialog) names the stored path's file.
    bool isSameFile(const QString& candidate, const QString& stored) const;
    // 12/27 for macro form, 18/28 otherwise; with `bridge` given the file is looked up and a
    // missing one gets the second image of the pair.
    int entryImageIndex(const QString& stored, const PathBridge* bridge) const;

  private:
    QString m_root;
};

// Search paths: the ";"-separated text and its rows.
QStringList splitSearchPath(const QString& text, const PathMacro& macro);
QString joinSearchPath(const QStringList& rows);

} // namespace vx
