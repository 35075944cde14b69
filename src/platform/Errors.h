#pragma once

#include <QString>
#include <QStringList>
#include <exception>

namespace vx {

// An error that ends the user operation that raised it. The message is shown to the user as it
// stands, so it must name the file, key or value involved.
class OperationError : public std::exception
{
  public:
    explicit OperationError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

  private:
    QString m_message;
    QByteArray m_utf8;
};

// A write that the file system refused: "Unable to write to <path>".
class FileWriteError : public OperationError
{
  public:
    explicit FileWriteError(const QString& path)
        : OperationError(QStringLiteral("Unable to write to ") + path), m_path(path)
    {
    }
    const QString& path() const { return m_path; }

  private:
    QString m_path;
};

// A change of several files that replaced some of them and could not replace the others; the
// message says which are which.
class PartialWriteError : public OperationError
{
  public:
    PartialWriteError(QString message, QStringList written, QStringList notWritten)
        : OperationError(std::move(message)), m_written(std::move(written)),
          m_notWritten(std::move(notWritten))
    {
    }
    const QStringList& written() const { return m_written; }
    const QStringList& notWritten() const { return m_notWritten; }

  private:
    QStringList m_written;
    QStringList m_notWritten;
};

} // namespace vx
