#include "platform/SystemInfo.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QThread>
#include <sys/utsname.h>

using namespace Qt::StringLiterals;

namespace vx {

OsFacts currentOsFacts()
{
    OsFacts f;
    utsname u{};
    if (uname(&u) == 0) {
        f.system = QString::fromLocal8Bit(u.sysname);
        f.release = QString::fromLocal8Bit(u.release);
        f.machine = QString::fromLocal8Bit(u.machine);
    }
    QFile osRelease(u"/etc/os-release"_s);
    if (osRelease.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : osRelease.readAll().split('\n')) {
            if (line.startsWith("PRETTY_NAME=")) {
                QString v = QString::fromUtf8(line.mid(12)).trimmed();
                if (v.size() >= 2 && (v.startsWith(u'"') || v.startsWith(u'\'')))
                    v = v.mid(1, v.size() - 2);
                f.pretty = v;
            }
        }
    }
    f.cpus = std::max(1, QThread::idealThreadCount());
    return f;
}

QString formatOperatingSystemReport(const OsFacts& f)
{
    // "6.1.0-18-amd64" -> 6, 1, build 0.
    static const QRegularExpression version(u"^(\\d+)(?:\\.(\\d+))?(?:\\.(\\d+))?"_s);
    const QRegularExpressionMatch m = version.match(f.release);
    const int major = m.captured(1).toInt();
    const int minor = m.captured(2).toInt();
    const int build = m.captured(3).toInt();
    const int type = (f.machine == u"x86_64"_s || f.machine == u"amd64"_s) ? 8664
                     : f.machine.contains(u"86"_s)                         ? 586
                                                                           : 0;
    const QString system = f.system.isEmpty() ? u"Linux"_s : f.system;
    return system + u' ' + QString::number(major) + u'.' + QString::number(minor) + u"(Build "_s +
           QString::number(build) + u") "_s + f.pretty + u", "_s + QString::number(f.cpus) + u" CPU of "_s +
           QString::number(type);
}

QString operatingSystemReport()
{
    return formatOperatingSystemReport(currentOsFacts());
}

bool parseMemInfo(const QByteArray& meminfo, qint64* availableKiB, qint64* totalKiB)
{
    bool haveTotal = false, haveAvail = false;
    for (const QByteArray& line : meminfo.split('\n')) {
        const auto field = [&](const char* name, qint64* out) {
            if (!line.startsWith(name))
                return false;
            bool ok = false;
            const qint64 v = line.mid(qsizetype(strlen(name))).trimmed().split(' ').value(0).toLongLong(&ok);
            if (ok)
                *out = v;
            return ok;
        };
        haveTotal = field("MemTotal:", totalKiB) || haveTotal;
        haveAvail = field("MemAvailable:", availableKiB) || haveAvail;
    }
    return haveTotal && haveAvail;
}

QString formatMemoryReport(qint64 availableKiB, qint64 totalKiB)
{
    const QLocale locale;
    return u"Memory Available "_s + locale.toString(availableKiB) + u"KB/"_s + locale.toString(totalKiB) +
           u"KB"_s;
}

QString memoryReport()
{
    QFile f(u"/proc/meminfo"_s);
    qint64 avail = 0, total = 0;
    if (f.open(QIODevice::ReadOnly))
        parseMemInfo(f.readAll(), &avail, &total);
    return formatMemoryReport(avail, total);
}

} // namespace vx
