#pragma once

#include <QDateTime>
#include <QString>

namespace vx {
class ConfigProject;
class IniFile;
} // namespace vx

namespace vx::app {

// How often and how long the program runs, and the one-second tick that moves the figures on.
// The texts are computed here; the window only shows them.
class UsageStatistics
{
  public:
    // Reads the program figures from the settings and advances the stored run counter at once.
    void start(IniFile& settings, const QDateTime& now);

    int runCount() const { return m_runCount; }
    const QDateTime& beginTime() const { return m_beginTime; }
    const QDateTime& lastEnd() const { return m_lastEnd; }
    qint64 lastRunTimeMs() const { return m_lastRunTimeMs; }
    qint64 runTimeSumMs() const { return m_runTimeSumMs; }
    qint64 runDays() const { return m_runDays; }

    // The next tick only sets the flag again (after start-up, opening a project, a capture and
    // the clear commands), so figures move from the tick after.
    void resetSkip() { m_skipped = false; }

    struct Tick
    {
        bool skipped = true;
        int windowIconFrame = 0; // 0..2
        int appIconFrame = 0;    // 0..2
        QString runTime, runTimeSum;
        bool project = false;
        QString projectRunTime, projectTimeSum;
    };
    // One tick at `now`; `project` is the open project (its day count may move on).
    Tick tick(const QDateTime& now, ConfigProject* project, const QString& dayWord);

    // Clearing the program statistics: the settings' config section goes at once.
    void clearProgram(IniFile& settings, const QDateTime& now);
    // Clearing the open project's figures (memory only; the file gets them with the next
    // statistics write).
    void clearProject(ConfigProject& project, const QDateTime& now);

    // What the close stores: last end, last run time, run-time sum (time of day) and the days.
    qint64 runTimeSumAt(const QDateTime& now) const;
    qint64 runTimeAt(const QDateTime& now) const;

  private:
    int m_runCount = 1;
    QDateTime m_beginTime;
    QDateTime m_lastEnd;
    qint64 m_lastRunTimeMs = 0;
    qint64 m_runTimeSumMs = 0;
    qint64 m_runDays = 0;
    bool m_skipped = false;
    int m_iconFrame = 0;
};

} // namespace vx::app
