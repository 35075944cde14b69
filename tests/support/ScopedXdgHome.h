#pragma once

// Points HOME and the XDG base directories at folders of a test for the life of the object, so
// that launchers, MIME types and mimeapps.list written by the code under test (and read by the
// freedesktop tools it runs) never touch the user's own.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <utility>
#include <vector>

namespace vx::test {

class ScopedXdgHome
{
  public:
    // The folders are <root>/data, <root>/config, <root>/state and <root>/home.
    explicit ScopedXdgHome(const QString& root)
    {
        const std::pair<const char*, const char*> vars[] = {{"XDG_DATA_HOME", "data"},
                                                            {"XDG_CONFIG_HOME", "config"},
                                                            {"XDG_STATE_HOME", "state"},
                                                            {"HOME", "home"}};
        for (const auto& [name, folder] : vars) {
            m_saved.emplace_back(name, qgetenv(name));
            qputenv(name, QFile::encodeName(QDir(root).filePath(QString::fromLatin1(folder))));
        }
    }
    ~ScopedXdgHome()
    {
        for (const auto& [name, value] : m_saved) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }
    ScopedXdgHome(const ScopedXdgHome&) = delete;
    ScopedXdgHome& operator=(const ScopedXdgHome&) = delete;

  private:
    std::vector<std::pair<const char*, QByteArray>> m_saved;
};

} // namespace vx::test
