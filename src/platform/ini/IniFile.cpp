#include "platform/ini/IniFile.h"

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/TimeText.h"

#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <ctime>

namespace vx {

using ini::isAscii;
using ini::utf8Text;

namespace {

// A file's times are coarse (the kernel's clock tick; two seconds on FAT): a file rewritten with
// the same size this close to when we saw it may keep its stamp, so its content is compared.
constexpr qint64 kCoarseTimeNs = 2'000'000'000;

qint64 nowNs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// Appends the text in UTF-8 as QString::toUtf8 gives it. False (nothing appended) when the text
// is not plain ASCII without line breaks: the caller takes the general way then.
bool appendPlainAscii(QByteArray& out, QStringView text)
{
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* to = out.data() + start;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x80 || u == u'\r' || u == u'\n') {
            out.truncate(start);
            return false;
        }
        *to++ = char(u);
    }
    return true;
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path))
{
    if (!m_path.isEmpty())
        removeStaleTemporaryFiles(QFileInfo(m_path).absolutePath());
    reload();
}

void IniFile::open(const QString& path)
{
    m_path = path;
    if (!m_path.isEmpty())
        removeStaleTemporaryFiles(QFileInfo(m_path).absolutePath());
    reload();
}

std::optional<IniFile::Snapshot> IniFile::readFile() const
{
    if (m_path.isEmpty())
        return Snapshot{};
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!QFileInfo::exists(m_path))
            return Snapshot{};
        return std::nullopt;
    }
    // The stamp of what is read, taken before reading: a rewrite while we read changes it.
    Snapshot snap;
    snap.stamp = fileStamp(file.handle());
    if (!snap.stamp.exists || QFileInfo(m_path).isDir())
        return std::nullopt;
    // Read into a buffer of the file's size: growing one while reading would allocate more.
    QByteArray bytes(snap.stamp.size, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const qint64 n = file.read(bytes.data() + got, bytes.size() - got);
        if (n <= 0)
            break;
        got += qsizetype(n);
    }
    bytes.truncate(got);
    if (got == snap.stamp.size)
        bytes.append(file.readAll()); // a file that grew meanwhile
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    snap.bytes = std::move(bytes);
    return snap;
}

void IniFile::remember(const FileStamp& stamp, const QByteArray& bytes)
{
    m_stamp = stamp;
    m_seenContent.reset();
    if (stamp.exists && nowNs() - stamp.modifiedNs < kCoarseTimeNs)
        m_seenContent = bytes; // shared, not copied
}

void IniFile::reload()
{
    m_operations.clear();
    const auto snap = readFile();
    if (snap) {
        parse(snap->bytes);
        remember(snap->stamp, snap->bytes);
    } else {
        parse({});
        m_stamp = {};
        m_seenContent.reset();
    }
    m_content = snap ? Content::Read : Content::Unreadable;
}

std::optional<IniFile::Snapshot> IniFile::changedContent() const
{
    if (m_path.isEmpty())
        return std::nullopt;
    if (m_content == Content::Unread) {
        // Opened for a replacement: the lines were never read, so the file counts as changed.
        auto snap = readFile();
        if (!snap)
            throw OperationError(QStringLiteral("Unable to read ") + m_path +
                                 QStringLiteral("; it was not changed"));
        return snap;
    }
    const FileStamp now = fileStamp(m_path);
    const bool sameStamp = now == m_stamp;
    if (sameStamp && (!now.exists || !m_seenContent))
        return std::nullopt;
    auto snap = readFile();
    if (!snap)
        throw OperationError(QStringLiteral("Unable to read ") + m_path +
                             QStringLiteral("; it was not changed"));
    if (sameStamp && snap->stamp == m_stamp && snap->bytes == *m_seenContent)
        return std::nullopt;
    return snap;
}

void IniFile::setContent(const QByteArray& bytes)
{
    parse(bytes);
}

void IniFile::clearContent()
{
    parse({});
}

void IniFile::parse(const QByteArray& bytes)
{
    m_doc.parse(bytes);
    m_dirty = false;
    if (m_content != Content::Unreadable)
        m_content = Content::Read;
}

void IniFile::openForReplacement(const QString& path)
{
    m_path = path;
    if (!m_path.isEmpty())
        removeStaleTemporaryFiles(QFileInfo(m_path).absolutePath());
    m_operations.clear();
    parse({});
    // Only the form is read, in pieces: a write outside a replacement reads the file again first.
    const auto form = ini::fileForm(m_path);
    m_content = Content::Unreadable;
    m_stamp = {};
    m_seenContent.reset();
    if (form) {
        m_stamp = form->first;
        m_doc.setEncoding(form->second);
        m_content = form->first.exists ? Content::Unread : Content::Read;
    }
}

bool IniFile::hasSection(const QString& section) const
{
    return m_doc.hasSection(section);
}

bool IniFile::hasKey(const QString& section, const QString& key) const
{
    return m_doc.hasKey(section, key);
}

QStringList IniFile::sectionNames() const
{
    return m_doc.sectionNames();
}

QStringList IniFile::keyNames(const QString& section) const
{
    return m_doc.keyNames(section);
}

std::optional<QString> IniFile::value(const QString& section, QStringView key) const
{
    return m_doc.value(section, key);
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const
{
    return value(section, QStringView(key));
}

QString IniFile::readString(const QString& section, QStringView key, const QString& def) const
{
    return value(section, key).value_or(def);
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    return value(section, QStringView(key)).value_or(def);
}

std::optional<int> IniFile::parseInteger(QStringView text)
{
    bool ok = false;
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        const QStringView digits = text.sliced(2);
        if (digits.size() > 8 || digits.startsWith(u'-') || digits.startsWith(u'+'))
            return std::nullopt;
        const uint v = digits.toUInt(&ok, 16);
        return ok ? std::optional<int>(int(v)) : std::nullopt;
    }
    if (text.startsWith(u' ') || text.endsWith(u' '))
        return std::nullopt;
    const int v = text.toInt(&ok, 10);
    return ok ? std::optional<int>(v) : std::nullopt;
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const
{
    const auto v = value(section, key);
    if (!v)
        return def;
    return parseInteger(*v).value_or(def);
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const
{
    return readBool(section, QStringView(key), def);
}

bool IniFile::readBool(const QString& section, QStringView key, bool def) const
{
    const auto v = value(section, key);
    if (!v)
        return def;
    return parseInteger(*v).value_or(def ? 1 : 0) != 0;
}

qint64 IniFile::readTime(const QString& section, const QString& key, qint64 defMs) const
{
    const auto v = value(section, key);
    if (!v)
        return defMs;
    return parseTimeText(*v).value_or(defMs);
}

QDateTime IniFile::readDateTime(const QString& section, const QString& key, const QDateTime& def) const
{
    const auto v = value(section, key);
    if (!v)
        return def;
    return parseDateTimeText(*v).value_or(def);
}

void IniFile::releaseSection(const QString& section)
{
    if (m_doc.releaseSection(section) && m_content != Content::Unreadable)
        m_content = Content::Released;
}

void IniFile::refuseUnread() const
{
    if (m_content == Content::Unreadable || m_content == Content::Released)
        throw OperationError(QStringLiteral("Unable to read ") + m_path +
                             QStringLiteral("; it was not changed"));
}

bool IniFile::prepareWrite(Operation::Kind kind, const QString& section, const QString& key,
                           const QString& value)
{
    if (m_batch != Batch::None) {
        // A replacement does not care what the file holds meanwhile: nothing to replay.
        if (m_batch == Batch::Writes) {
            refuseUnread();
            m_operations.push_back({kind, section, key, value});
        }
        return false;
    }
    refuseUnread();
    // As Windows does: the write goes to what the file holds now.
    if (const auto current = changedContent()) {
        parse(current->bytes);
        remember(current->stamp, current->bytes);
    }
    return true;
}

bool IniFile::apply(const Operation& op)
{
    switch (op.kind) {
    case Operation::Kind::Write:
        m_doc.write(op.section, op.key, op.value);
        return true;
    case Operation::Kind::EraseSection:
        return m_doc.eraseSection(op.section);
    case Operation::Kind::DeleteKey:
        return m_doc.deleteKey(op.section, op.key);
    }
    return false;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    const bool now = prepareWrite(Operation::Kind::Write, section, key, value);
    m_doc.write(section, key, value);
    if (now)
        writeOut({});
    else
        m_dirty = true;
}

void IniFile::writeInteger(const QString& section, const QString& key, qint64 value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::writeTime(const QString& section, const QString& key, qint64 ms)
{
    writeString(section, key, timeText(ms));
}

void IniFile::writeDateTime(const QString& section, const QString& key, const QDateTime& value)
{
    writeString(section, key, dateTimeText(value));
}

void IniFile::eraseSection(const QString& section)
{
    const bool now = prepareWrite(Operation::Kind::EraseSection, section, {}, {});
    if (m_doc.eraseSection(section)) {
        if (now)
            writeOut({});
        else
            m_dirty = true;
    }
}

void IniFile::deleteKey(const QString& section, const QString& key)
{
    const bool now = prepareWrite(Operation::Kind::DeleteKey, section, key, {});
    if (m_doc.deleteKey(section, key)) {
        if (now)
            writeOut({});
        else
            m_dirty = true;
    }
}

void IniFile::beginBatch()
{
    m_batch = Batch::Writes;
    m_operations.clear();
}

void IniFile::beginReplacement(const QString& backupPath)
{
    refreshReplacedForm();
    const IniFileEncoding encoding = m_doc.encoding();
    parse({});
    m_doc.setEncoding(encoding);
    m_batch = Batch::Replacement;
    m_backupPath = backupPath;
    m_operations.clear();
    m_dirty = true;
}

void IniFile::refreshReplacedForm()
{
    // The new content keeps the form of the file it replaces, as that file is now.
    if (!m_path.isEmpty() && fileStamp(m_path) != m_stamp) {
        if (const auto form = ini::fileForm(m_path)) {
            m_doc.setEncoding(form->second);
            if (m_content == Content::Unreadable)
                m_content = Content::Read;
        }
    }
}

void IniFile::writeReplacement(const QString& backupPath, const std::function<void(IniWriter&)>& produce)
{
    Q_ASSERT(m_batch == Batch::None);
    refreshReplacedForm();
    const IniFileEncoding encoding = m_doc.encoding();
    // What the store held is not needed for a replacement: it goes before the new lines are made.
    parse({});
    m_doc.setEncoding(encoding);
    bool fellBack = false;
    FileStamp written;
    try {
        writeFileAtomically(m_path,
                            [&](ContentSink& sink) {
                                fellBack = false;
                                {
                                    IniWriter writer(sink, encoding);
                                    produce(writer);
                                    if (!writer.needsUtf8())
                                        return;
                                }
                                // As commit does for a legacy file whose text no longer fits: all of it in
                                // UTF-8.
                                fellBack = true;
                                sink.restart();
                                IniWriter writer(sink, IniFileEncoding{IniEncoding::Utf8, 0});
                                produce(writer);
                            },
                            {backupPath, &written});
    } catch (...) {
        reload(); // the store reflects what is on disk again
        throw;
    }
    m_dirty = false;
    m_operations.clear();
    m_stamp = written;
    m_seenContent.reset();
    m_content = Content::Unread;
    if (fellBack) {
        m_doc.becomeUtf8();
        if (m_onFallback)
            m_onFallback(m_path, encoding.codePage);
    }
}

IniWriter::IniWriter(ContentSink& sink, const IniFileEncoding& encoding)
    : m_sink(sink), m_encoding(encoding),
      m_utf16(encoding.kind == IniEncoding::Utf16BE ? QStringConverter::Utf16BE : QStringConverter::Utf16LE)
{
    switch (m_encoding.kind) {
    case IniEncoding::Utf8Bom:
        m_sink.write("\xEF\xBB\xBF");
        break;
    case IniEncoding::Utf16LE:
        m_sink.write("\xFF\xFE");
        break;
    case IniEncoding::Utf16BE:
        m_sink.write("\xFE\xFF");
        break;
    case IniEncoding::CodePage:
        m_codec = std::make_unique<CodePageCodec>(m_encoding.codePage);
        break;
    case IniEncoding::Utf8:
        break;
    }
}

IniWriter::~IniWriter() = default;

bool IniWriter::needsUtf8() const
{
    // Bytes that happen to form valid UTF-8 would be read as UTF-8 next time (see encode).
    return m_encoding.kind == IniEncoding::CodePage && (!m_fits || (!m_ascii && m_validUtf8));
}

void IniWriter::putLine(QByteArray& line)
{
    switch (m_encoding.kind) {
    case IniEncoding::Utf8:
    case IniEncoding::Utf8Bom:
        line.append("\r\n");
        m_sink.write(line);
        return;
    case IniEncoding::Utf16LE:
    case IniEncoding::Utf16BE:
        m_sink.write(QByteArray(m_utf16.encode(utf8Text(line) + u"\r\n")));
        return;
    case IniEncoding::CodePage:
        break;
    }
    // A line break is ASCII and never part of a character: the file is ASCII, or valid UTF-8,
    // exactly when each of its lines is.
    if (!m_fits)
        return;
    if (isAscii(line)) {
        line.append("\r\n");
        m_sink.write(line);
    } else if (auto bytes = m_codec->encode(utf8Text(line))) {
        m_ascii = m_ascii && isAscii(*bytes);
        m_validUtf8 = m_validUtf8 && bytes->isValidUtf8();
        bytes->append("\r\n");
        m_sink.write(*bytes);
    } else {
        m_fits = false;
    }
}

void IniWriter::section(QStringView name)
{
    m_line.truncate(0);
    m_line.append('[').append(name.toUtf8()).append(']');
    putLine(m_line);
}

void IniWriter::entry(QStringView key, const QString& value)
{
    // The form makeEntry gives a written line: the key as given, the value on one line, quoted
    // where a reader would change it.
    m_line.truncate(0);
    if (!appendPlainAscii(m_line, key))
        m_line.append(key.toUtf8());
    m_line.append('=');
    const QString text = ini::singleLine(value);
    const bool quoted = ini::needsQuotes(text);
    if (quoted)
        m_line.append('"');
    if (!appendPlainAscii(m_line, text))
        m_line.append(text.toUtf8());
    if (quoted)
        m_line.append('"');
    putLine(m_line);
}

void IniWriter::integerEntry(QStringView key, qint64 value)
{
    entry(key, QString::number(value));
}

void IniWriter::boolEntry(QStringView key, bool value)
{
    entry(key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::abandonBatch()
{
    m_batch = Batch::None;
    m_backupPath.clear();
    m_operations.clear();
}

void IniFile::commit()
{
    const bool replacing = m_batch == Batch::Replacement;
    const QString backup = m_backupPath;
    const std::vector<Operation> operations = std::move(m_operations);
    abandonBatch();
    if (replacing) {
        writeOut(backup);
        return;
    }
    refuseUnread();
    if (const auto current = changedContent()) {
        // Someone wrote the file during the batch: the batch's writes go onto what it holds now.
        parse(current->bytes);
        remember(current->stamp, current->bytes);
        for (const Operation& op : operations) {
            if (apply(op))
                m_dirty = true;
        }
    }
    if (m_dirty)
        writeOut({});
}

void IniFile::writeOut(const QString& backupPath)
{
    bool fellBack = false;
    const QByteArray bytes = m_doc.encode(&fellBack);
    FileStamp written;
    writeFileAtomically(m_path, bytes, {backupPath, &written});
    m_dirty = false;
    if (m_content == Content::Unreadable)
        m_content = Content::Read;
    remember(written, bytes);
    if (fellBack) {
        const int codePage = m_doc.encoding().codePage;
        m_doc.becomeUtf8();
        if (m_onFallback)
            m_onFallback(m_path, codePage);
    }
    // Lines written one after another each leave their text in the blocks, also when written over
    // again: once the blocks outgrow the file, what was just written becomes the content.
    if (m_doc.outgrewText())
        parse(bytes);
}

QByteArray IniFile::serialize() const
{
    return m_doc.encode(nullptr);
}

} // namespace vx
