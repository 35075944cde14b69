#pragma once

#include "platform/FileOps.h"
#include "platform/ini/IniDocument.h"
#include "platform/ini/IniEncoding.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringEncoder>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vx {

class ContentSink;
class CodePageCodec;

// Writes a whole profile file line by line, in the order the lines stand in the file, each
// formatted exactly as IniFile writes it; see IniFile::writeReplacement.
class IniWriter
{
  public:
    ~IniWriter();
    IniWriter(const IniWriter&) = delete;
    IniWriter& operator=(const IniWriter&) = delete;

    // A "[name]" line: the entries that follow belong to that section.
    void section(QStringView name);
    // A "key=value" line, the value in the form IniFile::writeString gives it.
    void entry(QStringView key, const QString& value);
    void integerEntry(QStringView key, qint64 value);
    void boolEntry(QStringView key, bool value);

  private:
    friend class IniFile;
    IniWriter(ContentSink& sink, const IniFileEncoding& encoding);
    // Writes the line (which it may change) with its line end.
    void putLine(QByteArray& line);
    // A legacy file whose text did not fit its code page, or whose bytes would read as UTF-8.
    bool needsUtf8() const;

    ContentSink& m_sink;
    IniFileEncoding m_encoding;
    std::unique_ptr<CodePageCodec> m_codec;
    QStringEncoder m_utf16; // for a UTF-16 file
    QByteArray m_line;      // reused for every line
    bool m_fits = true;
    bool m_ascii = true;
    bool m_validUtf8 = true;
};

// An INI profile file with the behaviour of the Windows private-profile functions the settings,
// project and language files were designed around:
// - section and key names match ignoring ASCII letter case; a section name ends at the last "]" of
//   its line and, like a key, is stripped of surrounding blanks;
// - a missing section or key reads as the caller's default;
// - replacing a key keeps its place, a new key goes to the end of its section, a new section to
//   the end of the file;
// - values read back are stripped of surrounding blanks, then of one pair of matching quotes
//   (both " or both ') around them, and read whole (Windows cuts them to the caller's buffer,
//   which lost the end of long search paths and notes); a value that would not read back
//   as written that way (blanks at an end, or wrapped in a matching pair of quotes) is written
//   inside double quotes, every other value as it is;
// - comment lines and lines the parser does not understand are kept byte for byte, as is every
//   line nobody wrote to;
// - the file may be UTF-8 (with or without a byte-order mark), UTF-16 with a byte-order mark, or
//   in the ANSI code page (ansiCodePage()) when it is not valid UTF-8; see IniEncoding;
// - lines are written with CR LF; LF alone is accepted.
//
// Every write is on disk when the call returns, unless a batch is open (beginBatch): then the
// writes collect in memory and commit() puts them on disk in one atomic replacement. A refused
// write throws FileWriteError ("Unable to write to <path>").
//
// Like Windows, which reads the file again for every write, a write never reverts what another
// program, a hand edit or a second instance wrote since the store read the file: when the file
// changed on disk (size, inode, modification time, and the content when that time is too close to
// the read to tell), the write is applied to the current content. A batch records its writes and
// replays them on the current content at commit. Reads answer from the content last read or
// written.
class IniFile
{
  public:
    IniFile() = default;
    // Points the store at a host path and reads it when it exists. A file that exists but cannot
    // be read loads as empty and refuses every write ("Unable to read <path>"), so that content
    // nobody saw is never replaced.
    explicit IniFile(QString path);

    // Points the store at a file whose whole content a replacement (beginReplacement) is about to
    // write: only the form the file has on disk is read, not its lines, which would be discarded.
    // Until then the store reads as empty; a write outside a replacement first reads the file as
    // it is then. A file that exists but cannot be read refuses writes outside a replacement as
    // the constructor's does.
    void openForReplacement(const QString& path);

    // Replaces the content with what `path` holds now (empty when missing).
    void reload();
    // Points the store at another file and reads it. Temporary files that killed writers left in
    // its folder are removed first (removeStaleTemporaryFiles).
    void open(const QString& path);
    // Parses bytes held in memory (in any of the encodings above); the store keeps its path. The
    // next write still goes to the file's current content when the file changed since it was read.
    void setContent(const QByteArray& bytes);
    // Forgets everything in memory without touching the file.
    void clearContent();
    // Forgets the lines of a section (every section of that name) that a reader is done with,
    // without touching the file: the section then reads as empty. For a reader going through a
    // large file part by part. The store refuses writes from then on ("Unable to read <path>"),
    // since it no longer holds what the file holds, until it reads the file again.
    void releaseSection(const QString& section);
    const QString& path() const { return m_path; }

    // The form the file has on disk (as last read or written).
    IniFileEncoding encoding() const { return m_doc.encoding(); }
    // Called after a write stored a legacy file in UTF-8 because a written character does not fit
    // its code page (`codePage`), or because the bytes would have read as UTF-8 next time; the
    // file stays UTF-8 from then on. The window can tell the user so in its status pane.
    using EncodingFallbackHandler = std::function<void(const QString& path, int codePage)>;
    void setEncodingFallbackHandler(EncodingFallbackHandler handler) { m_onFallback = std::move(handler); }

    bool hasSection(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;
    QStringList sectionNames() const;
    QStringList keyNames(const QString& section) const;

    // The stored value, trimmed and unquoted; nullopt when the key is missing.
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
    // The same for a key given as a view, which a reader of many keys can make without allocating.
    std::optional<QString> value(const QString& section, QStringView key) const;
    QString readString(const QString& section, QStringView key, const QString& def = {}) const;
    bool readBool(const QString& section, QStringView key, bool def) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, qint64 value);
    void writeBool(const QString& section, const QString& key, bool value);
    void writeTime(const QString& section, const QString& key, qint64 ms);
    void writeDateTime(const QString& section, const QString& key, const QDateTime& value);
    void eraseSection(const QString& section);
    void deleteKey(const QString& section, const QString& key);

    // Groups the following writes until commit(). Nested batches are not supported.
    void beginBatch();
    // A batch that replaces the whole file: the content starts empty (the file's encoding is kept),
    // and commit() writes exactly what the batch wrote, whatever the file holds by then. With a
    // `backupPath`, the file being replaced stays there (AtomicWriteOptions::backupPath): the
    // file itself never goes missing.
    void beginReplacement(const QString& backupPath = {});
    // Ends the batch and writes the file when anything changed (a replacement always writes).
    void commit();
    // Ends the batch without writing (the in-memory content keeps the changes).
    void abandonBatch();

    // A replacement (beginReplacement, writes, commit) whose content `produce` writes in file
    // order through an IniWriter: the lines go to the disk as they are made instead of being
    // collected in memory. The file gets the bytes such a batch would have written when every
    // section name `produce` writes is another (ignoring ASCII case) and so is every key within a
    // section; the caller sees to that. The form of the file is kept as a replacement keeps it
    // (a legacy file whose text does not fit its code page becomes UTF-8, and the fallback
    // handler is told). Afterwards the store holds none of the lines: it stands for the file as
    // written the way openForReplacement leaves it (reads answer as for an empty file; a write
    // reads the file first). Throws FileWriteError as commit does; the store then holds the file
    // as it is on disk. Not inside a batch.
    void writeReplacement(const QString& backupPath, const std::function<void(IniWriter&)>& produce);
    bool inBatch() const { return m_batch != Batch::None; }

    // The file as it would be written now, in its encoding.
    QByteArray serialize() const;

    // Number parsing shared with the other stores that follow the same value rules.
    static std::optional<int> parseInteger(QStringView text);

  private:
    // One write as the caller asked for it, replayed on the current content at commit when the
    // file changed during a batch.
    struct Operation
    {
        enum class Kind { Write, EraseSection, DeleteKey } kind;
        QString section;
        QString key;
        QString value;
    };
    enum class Batch {
        None,
        Writes,     // beginBatch: the writes are recorded, to be replayed when the file changed
        Replacement // beginReplacement: the content replaces the file, whatever it holds by then
    };
    // How what is in memory stands to the file on disk.
    enum class Content {
        Read,       // the file as last read or written (nothing, for a missing file)
        Unreadable, // the file exists but could not be read: writing would replace content never seen
        Unread,     // opened for a replacement: the file's lines were not read (openForReplacement)
        Released,   // sections were released (releaseSection): memory does not hold the file any more
    };

    // Before a write: in a batch, records it for a replay; otherwise brings the content up to what
    // the file holds now and returns true (the write then goes to disk at once).
    bool prepareWrite(Operation::Kind kind, const QString& section, const QString& key, const QString& value);
    bool apply(const Operation& op); // true when the content changed
    void refuseUnread() const;
    // Takes bytes as the content: what memory holds then is the file, unless it could not be read.
    void parse(const QByteArray& bytes);
    struct Snapshot
    {
        FileStamp stamp; // exists false for a missing file
        QByteArray bytes;
    };
    // The file now (empty when missing), or nullopt when it exists but cannot be read.
    std::optional<Snapshot> readFile() const;
    // Before a replacement: the form of the file as it is now, when it changed since it was seen.
    void refreshReplacedForm();
    // Notes what was read or written as the state of the file on disk.
    void remember(const FileStamp& stamp, const QByteArray& bytes);
    // The file now when it changed since it was read or written; nullopt when not. Throws
    // OperationError when it changed and cannot be read.
    std::optional<Snapshot> changedContent() const;
    void writeOut(const QString& backupPath);

    QString m_path;
    IniDocument m_doc;
    EncodingFallbackHandler m_onFallback;
    Batch m_batch = Batch::None;
    QString m_backupPath;
    std::vector<Operation> m_operations; // of the open batch
    bool m_dirty = false;
    Content m_content = Content::Read;
    // The file as last read or written: its stamp, and its content while its modification time
    // is too close to when we saw it to tell a later rewrite of the same size from the stamp.
    FileStamp m_stamp;
    std::optional<QByteArray> m_seenContent;
};

} // namespace vx
