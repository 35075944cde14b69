#pragma once

// Runs the Windows probe programs of tests/winprobe under Wine, in the prefix of a
// WinePrefixTest, and decodes their answers.

#include "support/WinePrefix.h"

#include <QFileInfo>
#include <optional>
#include <vector>

namespace vx::test {

// A text as the probes take and give it: hex UTF-16 units, "." for the empty text.
inline QString probeHex(const QString& text)
{
    if (text.isEmpty())
        return u"."_s;
    QString hex;
    for (const QChar c : text)
        hex += u"%1"_s.arg(c.unicode(), 4, 16, QChar(u'0'));
    return hex;
}

inline std::optional<QString> fromProbeHex(const QString& line)
{
    if (line == u"-"_s)
        return std::nullopt;
    if (line == u"."_s)
        return QString();
    QString text;
    for (qsizetype i = 0; i + 4 <= line.size(); i += 4)
        text += QChar(char16_t(line.mid(i, 4).toUShort(nullptr, 16)));
    return text;
}

inline QString probePath(const QString& name)
{
    return QStringLiteral(VX_WINPROBE_DIR) + u'/' + name + u".exe"_s;
}

inline bool probeBuilt(const QString& name)
{
    return QFileInfo::exists(probePath(name));
}

// A Wine test that runs the probe `probe`.exe, which only a MinGW compiler can build.
class ProbeTest : public WinePrefixTest
{
  protected:
    explicit ProbeTest(QString probe) : m_probe(std::move(probe)) {}
    void SetUp() override
    {
        WinePrefixTest::SetUp();
        if (!IsSkipped() && !HasFatalFailure() && !probeBuilt(m_probe))
            VX_WINE_UNAVAILABLE("the Windows probe " + m_probe.toStdString() +
                                ".exe was not built (x86_64-w64-mingw32-gcc missing)");
    }

  private:
    QString m_probe;
};

// The Windows form of a host path, through Wine's z: drive.
inline QString zPath(const QString& hostPath)
{
    return u"Z:"_s + QFileInfo(hostPath).absoluteFilePath().replace(u'/', u'\\');
}

struct ProfileKey
{
    QString section;
    QString key;
};

// What GetPrivateProfileStringW returns for each key of the file (nullopt: missing); empty
// when the probe failed.
inline std::vector<std::optional<QString>> windowsProfileRead(const QString& hostFile,
                                                              const std::vector<ProfileKey>& keys)
{
    QStringList args{probePath(u"profile_probe"_s), u"read"_s, zPath(hostFile)};
    for (const ProfileKey& k : keys)
        args << probeHex(k.section) << probeHex(k.key);
    const auto out = WinePrefixTest::run(u"wine"_s, args);
    std::vector<std::optional<QString>> values;
    if (!out)
        return values;
    for (const QString& line : out->split(u'\n', Qt::SkipEmptyParts))
        values.push_back(fromProbeHex(line.trimmed()));
    return values;
}

// The section names GetPrivateProfileSectionNamesW lists.
inline QStringList windowsProfileSections(const QString& hostFile)
{
    QStringList names;
    const auto out =
        WinePrefixTest::run(u"wine"_s, {probePath(u"profile_probe"_s), u"sections"_s, zPath(hostFile)});
    for (const QString& line : out.value_or(QString()).split(u'\n', Qt::SkipEmptyParts))
        names << fromProbeHex(line.trimmed()).value_or(QString());
    return names;
}

inline bool windowsProfileWrite(const QString& hostFile, const QString& section, const QString& key,
                                const QString& value)
{
    return WinePrefixTest::run(u"wine"_s, {probePath(u"profile_probe"_s), u"write"_s, zPath(hostFile),
                                           probeHex(section), probeHex(key), probeHex(value)})
        .has_value();
}

} // namespace vx::test
