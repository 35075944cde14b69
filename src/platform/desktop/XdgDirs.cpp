#include "platform/desktop/XdgDirs.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

QString baseDirectory(const char* variable, const QString& belowHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::homePath() + belowHome;
}

} // namespace

QString xdgDataHome()
{
    return baseDirectory("XDG_DATA_HOME", u"/.local/share"_s);
}

QString xdgConfigHome()
{
    return baseDirectory("XDG_CONFIG_HOME", u"/.config"_s);
}

QString xdgStateHome()
{
    return baseDirectory("XDG_STATE_HOME", u"/.local/state"_s);
}

} // namespace vx
