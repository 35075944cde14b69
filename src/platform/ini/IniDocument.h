#pragma once

#include "platform/AsciiCase.h"
#include "platform/ini/IniEncoding.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace vx {

namespace ini {

// The rules for writing a value, shared by the document and the streaming writer (IniWriter).
// Line breaks inside a value would split it into lines that read back as something else: they
// become blanks.
QString singleLine(const QString& value);
// A value that a reader would change (blanks at an end, or a matching pair of quotes around it)
// goes inside double quotes, which the reader removes again.
bool needsQuotes(QStringView value);

} // namespace ini

// The lines of a profile file in memory, with the Windows profile rules for finding and changing
// sections and keys (see IniFile). Lines nobody wrote to are kept byte for byte, also those of a
// legacy file in its code page. It knows nothing of the file on disk.
class IniDocument
{
  public:
    // Replaces the content with bytes in any of the encodings (an empty document for none).
    void parse(const QByteArray& bytes);

    IniFileEncoding encoding() const { return m_encoding; }
    void setEncoding(const IniFileEncoding& encoding) { m_encoding = encoding; }
    // After the text was stored in UTF-8 because it did not fit its code page: it stays UTF-8.
    void becomeUtf8();
    // The lines written since the last parse take more memory than the text they came from.
    bool outgrewText() const;

    bool hasSection(const QString& section) const;
    bool hasKey(const QString& section, QStringView key) const;
    QStringList sectionNames() const;
    QStringList keyNames(const QString& section) const;
    // The stored value, trimmed and unquoted; nullopt when the key is missing.
    std::optional<QString> value(const QString& section, QStringView key) const;

    void write(const QString& section, const QString& key, const QString& value);
    // False when there was nothing to erase or delete.
    bool eraseSection(const QString& section);
    bool deleteKey(const QString& section, const QString& key);
    // Forgets the lines of every section of that name; false when there is none.
    bool releaseSection(const QString& section);

    // The text in its encoding. `fellBack` tells whether a legacy file had to be written in UTF-8
    // instead (a character did not fit, or the bytes would have read as UTF-8).
    QByteArray encode(bool* fellBack) const;

  private:
    struct Line
    {
        // The line in UTF-8 (as it stands in a UTF-8 file), without its line end: in m_backing, or
        // in m_lineBlocks for a line written or decoded from a code page. 24 bytes a line.
        const char* data = nullptr;
        qint64 size = 0;
        qint32 valueOffset = -1; // where the value starts, after the "="; -1 for non-entries
        // The key is what stands before the "=": without surrounding blanks as read from a file,
        // exactly as the writer gave it for a written line.
        bool writtenKey = false;
        bool deleted = false;
        mutable bool firstOfKey = false; // the line a lookup of its key finds (valid once indexed)
        QByteArrayView bytes() const { return QByteArrayView(data, size); }
        QByteArrayView keyBytes() const;
        bool isEntry() const { return valueOffset >= 0 && !deleted; }
    };
    struct Section
    {
        QByteArray header; // "[name]" line as in the file (UTF-8); empty for the lines before any section
        QString name;
        bool deleted = false;
        std::vector<Line> lines;
        // Open-addressing table from key (UTF-8, ASCII case folded) to the first line holding it,
        // built at the first lookup. Readers ask for keys mostly in file order, so a cursor after
        // the last hit usually answers without hashing.
        mutable std::vector<qint32> table;
        mutable bool indexed = false;
        mutable size_t cursor = 0;
        void ensureIndex() const;
        void dropIndex() const;
        // The line of the key, or -1.
        qsizetype find(QByteArrayView key) const;
        // Records a line in the table (when indexed); false when its key was there already.
        bool insert(qsizetype lineIndex) const;
    };

    Line makeEntry(QByteArrayView key, const QString& value);
    char* blockSpace(qsizetype size);
    // A copy of the bytes in the blocks.
    const char* keepInBlocks(QByteArrayView bytes);
    const Line* findLine(const QString& section, QStringView key) const;
    // Builds the section's key table, dropping that of the large section indexed before.
    void indexSection(const Section& s) const;
    static constexpr size_t kSmallSection = 64; // lines; the tables of smaller sections stay
    Section* findSection(const QString& section);
    const Section* findSection(const QString& section) const;
    Section& sectionForWrite(const QString& section);
    void parseLines(QByteArrayView body, int legacyCodePage);
    void reserveLines(QByteArrayView body);

    std::vector<Section> m_sections; // m_sections[0] holds the lines before the first header
    // The text last parsed, in UTF-8: lines nobody wrote to refer to it instead of copying it.
    QByteArray m_backing;
    std::vector<size_t> m_lineHints; // lines per section, counted before parsing
    // The text of lines written, or decoded from a code page, in blocks that never move; lines
    // refer to them like to m_backing. Dropped with the content (parse); a store written to
    // often parses what it wrote once the blocks outgrow it (outgrewText).
    std::vector<std::unique_ptr<char[]>> m_lineBlocks;
    qsizetype m_blockSize = 0;
    qsizetype m_blockUsed = 0;
    qsizetype m_blockTotal = 0; // bytes of all blocks
    // The non-ASCII lines of a legacy file as read, in its code page, by legacyKey(): written back
    // as they were while nobody wrote to them. Lines are never moved or removed from their
    // section (only marked deleted), so the key stays valid; a line written anew drops its entry.
    std::unordered_map<quint64, QByteArray> m_legacyLines;
    static quint64 legacyKey(size_t section, qsizetype line)
    {
        return (quint64(section) << 32) | quint64(line + 1);
    }
    AsciiFoldMap<qsizetype> m_sectionIndex;
    mutable size_t m_largeIndexed = size_t(-1); // the large section whose table stands
    mutable size_t m_lastSection = size_t(-1);  // the section found last, while its name maps to it
    IniFileEncoding m_encoding;
};

} // namespace vx
