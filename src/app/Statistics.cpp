#include "app/Statistics.h"

#include "platform/TimeText.h"
#include "platform/ini/IniFile.h"
#include "project/ConfigProject.h"

#include <climits>

using namespace Qt::StringLiterals;

namespace vx::app {

namespace {
const QString kConfig = u"config"_s;
const QString kMidnight = u"0:00:00"_s;
} // namespace

void UsageStatistics::start(IniFile& settings, const QDateTime& now)
{
    m_runCount = settings.readInteger(kConfig, u"Run"_s, 1);
    settings.writeInteger(kConfig, u"Run"_s, qint64(m_runCount) + 1);
    m_beginTime = now;
    m_lastEnd = settings.readDateTime(kConfig, u"LastEnd"_s, now);
    m_lastRunTimeMs = settings.readTime(kConfig, u"LastRunTime"_s, 0);
    m_runTimeSumMs = settings.readTime(kConfig, u"RunTimeSum"_s, 0);
    m_runDays = settings.readInteger(kConfig, u"Day"_s, 0);
    m_skipped = false;
}

qint64 UsageStatistics::runTimeAt(const QDateTime& now) const
{
    return msBetween(m_beginTime, now);
}

qint64 UsageStatistics::runTimeSumAt(const QDateTime& now) const
{
    return m_runTimeSumMs + msBetween(m_beginTime, now);
}

UsageStatistics::Tick UsageStatistics::tick(const QDateTime& now, ConfigProject* project,
                                            const QString& dayWord)
{
    Tick t;
    if (!m_skipped) {
        m_skipped = true;
        return t;
    }
    t.skipped = false;
    t.windowIconFrame = m_iconFrame % 3;
    m_iconFrame = (m_iconFrame + 1) % 3;
    t.appIconFrame = m_iconFrame;

    t.runTime = timeText(runTimeAt(now));
    const QString sum = timeText(runTimeSumAt(now));
    if (sum == kMidnight)
        ++m_runDays;
    t.runTimeSum = runTimeSumText(m_runDays, dayWord, sum);

    if (project && project->isOpen()) {
        ProjectStatistics& st = project->statistics();
        t.project = true;
        t.projectRunTime = timeText(msBetween(st.beginTime, now));
        const QString psum = timeText(st.timeSumMs + msBetween(st.beginTime, now));
        if (psum == kMidnight && st.days < INT_MAX)
            ++st.days;
        t.projectTimeSum = runTimeSumText(st.days, dayWord, psum);
    }
    return t;
}

void UsageStatistics::clearProgram(IniFile& settings, const QDateTime& now)
{
    settings.eraseSection(u"Config"_s);
    m_runCount = 0;
    m_beginTime = now;
    m_lastEnd = now;
    m_lastRunTimeMs = 0;
    m_runTimeSumMs = 0;
    m_runDays = 0;
    m_skipped = false;
}

void UsageStatistics::clearProject(ConfigProject& project, const QDateTime& now)
{
    ProjectStatistics& st = project.statistics();
    st.runCount = 0;
    st.timeSumMs = 0;
    st.days = 0;
    st.beginTime = now;
    m_skipped = false;
}

} // namespace vx::app
