#pragma once

#include "platform/AsciiCase.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vx {

// An INI profile file with the behaviour of the Windows private-profile functions the settings,
// project and language files were designed around:
// - section and key names match ignoring ASCII letter case;
// - a missing section or key reads as the caller's default;
// - replacing a key keeps its place, a new key goes to the end of its section, a new section to
//   the end of the file;
// - values read back are stripped of surrounding blanks and cut to 2047 characters;
// - comment lines and lines the parser does not understand are kept byte for byte, as is every
//   line nobody wrote to (also when it is not valid UTF-8);
// - lines are written with CR LF; LF alone is accepted.
//
// Every write is on disk when the call returns, unless a batch is open (beginBatch): then the
// writes collect in memory and commit() puts them on disk in one atomic replacement. A refused
// write throws FileWriteError ("Unable to write to <path>").
class IniFile
{
public:
    static constexpr qsizetype kMaxValueLength = 2047;

    IniFile() = default;
    // Points the store at a host path and reads it when it exists. A file that exists but cannot
    // be read loads as empty and refuses every write ("Unable to read <path>"), so that content
    // nobody saw is never replaced.
    explicit IniFile(QString path);

    // Replaces the content with what `path` holds now (empty when missing).
    void reload();
    // Points the store at another file and reads it.
    void open(const QString& path);
    // Parses bytes held in memory; the store keeps its path.
    void setContent(const QByteArray& bytes);
    // Forgets everything in memory without touching the file.
    void clearContent();
    const QString& path() const { return m_path; }

    bool hasSection(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;
    QStringList sectionNames() const;
    QStringList keyNames(const QString& section) const;

    // The stored value, trimmed and cut to kMaxValueLength; nullopt when the key is missing.
    std::optional<QString> value(const QString& section, const QString& key) const;

    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    // Decimal, or hexadecimal after "0x"/"0X" when the value is longer than two characters; a
    // value that is not a 32-bit integer gives the default.
    int readInteger(const QString& section, const QString& key, int def) const;
    // The integer rule; any non-zero number is true.
    bool readBool(const QString& section, const QString& key, bool def) const;
    // A time of day "H:MM:SS" (or "H:MM") in milliseconds since midnight.
    qint64 readTime(const QString& section, const QString& key, qint64 defMs) const;
    // "YYYY-MM-DD" with an optional time.
    QDateTime readDateTime(const QString& section, const QString& key, const QDateTime& def) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, qint64 value);
    void writeBool(const QString& section, const QString& key, bool value);
    void writeTime(const QString& section, const QString& key, qint64 ms);
    void writeDateTime(const QString& section, const QString& key, const QDateTime& value);
    void eraseSection(const QString& section);
    void deleteKey(const QString& section, const QString& key);

    // Groups the following writes until commit(). Nested batches are not supported.
    void beginBatch();
    // Ends the batch and writes the file when anything changed.
    void commit();
    // Ends the batch without writing (the in-memory content keeps the changes).
    void abandonBatch() { m_batch = false; }
    bool inBatch() const { return m_batch; }

    // The file as it would be written now.
    QByteArray serialize() const;

    // Number parsing shared with the other stores that follow the same value rules.
    static std::optional<int> parseInteger(QStringView text);

private:
    struct Line
    {
        QByteArray raw;          // the line as it stands in the file, without its line end
        qsizetype keyStart = 0;  // the key of a "key=value" line: raw[keyStart, keyStart + keyLength)
        qsizetype keyLength = 0;
        qsizetype valueOffset = -1; // where the value starts in raw; -1 for non-entries
        bool deleted = false;
        mutable bool firstOfKey = false; // the line a lookup of its key finds (valid once indexed)
        QByteArrayView keyBytes() const { return QByteArrayView(raw).sliced(keyStart, keyLength); }
        bool isEntry() const { return valueOffset >= 0 && !deleted; }
    };
    struct Section
    {
        QByteArray header; // "[name]" line as in the file; empty for the lines before any section
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

    static Line makeEntry(QByteArrayView key, const QString& value);
    const Line* findLine(const QString& section, const QString& key) const;
    Section* findSection(const QString& section);
    const Section* findSection(const QString& section) const;
    Section& sectionForWrite(const QString& section);
    void touched();
    void refuseUnread() const;
    void parse(const QByteArray& bytes);

    QString m_path;
    std::vector<Section> m_sections; // m_sections[0] holds the lines before the first header
    AsciiFoldMap<qsizetype> m_sectionIndex;
    bool m_batch = false;
    bool m_dirty = false;
    // The file exists but could not be read: writing would replace content never seen.
    bool m_unreadable = false;
};

} // namespace vx
