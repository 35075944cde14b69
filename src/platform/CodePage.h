#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringView>
#include <optional>

namespace vx {

// The prefix's ANSI code page: value "ACP" (REG_SZ, e.g. "1252" or "936") of
// HKLM\System\CurrentControlSet\Control\Nls\CodePage in <prefix>/system.reg; Wine 8 keeps it under
// System\ControlSet001\... and makes CurrentControlSet a link, so look there too. 1252 when
// absent/unreadable.
int readAnsiCodePage(const QString& prefixDir);
// The same rule on the text of a system.reg held in memory.
int ansiCodePageFromHive(QByteArrayView systemReg);

// The process-wide ANSI code page used for legacy files and registry backups: the one set, or
// that of the prefix named at start, looked up when first needed (1252 without either).
int ansiCodePage();
void setAnsiCodePage(int codePage);
// The code page becomes that of this prefix's system.reg, read at the first call of ansiCodePage.
void useAnsiCodePageOfPrefix(const QString& prefixDir);

// The text in the code page; nullopt when a character does not fit (no silent '?'), also when the
// code page would store it as a look-alike that reads back as another character.
std::optional<QByteArray> encodeInCodePage(QStringView text, int codePage);
// The bytes read in the code page; a byte sequence the code page does not define reads as U+FFFD.
QString decodeFromCodePage(QByteArrayView bytes, int codePage);

// One code page's converters, for converting many pieces (the lines of a file) without looking the
// code page up for each.
class CodePageCodec
{
  public:
    explicit CodePageCodec(int codePage);
    int codePage() const { return m_codePage; }
    QString decode(QByteArrayView bytes);
    std::optional<QByteArray> encode(QStringView text);

  private:
    int m_codePage;
    QStringDecoder m_decoder;
    QStringEncoder m_encoder;
};

// The name Qt's converters know the code page by ("windows-1252", "GBK", ...). A code page that
// this Qt cannot convert is read and written as 1252.
QByteArray codePageConverterName(int codePage);

} // namespace vx
