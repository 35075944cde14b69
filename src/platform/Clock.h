#pragma once

#include <QDateTime>

namespace vx {

// The one source of "now" for statistics and time stamps. Tests install a ManualClock so that
// day roll-overs and run times can be checked without sleeping.
class Clock
{
  public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // The same moment as milliseconds since 1970 (UTC), without a time-zone lookup: for time
    // stamps taken often.
    virtual qint64 nowMSecsSinceEpoch() const { return now().toMSecsSinceEpoch(); }

    // The clock the program uses; a SystemClock unless a test replaced it.
    static const Clock& current();
    // Replaces the process-wide clock; nullptr restores the system clock. The caller keeps
    // ownership and must restore before the clock is destroyed.
    static void install(const Clock* clock);
};

class SystemClock final : public Clock
{
  public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 nowMSecsSinceEpoch() const override { return QDateTime::currentMSecsSinceEpoch(); }
};

class ManualClock final : public Clock
{
  public:
    explicit ManualClock(QDateTime start) : m_now(std::move(start)) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& t) { m_now = t; }
    void advanceSeconds(qint64 s) { m_now = m_now.addSecs(s); }
    void advanceMSecs(qint64 ms) { m_now = m_now.addMSecs(ms); }

  private:
    QDateTime m_now;
};

// Installs a clock for the lifetime of a scope.
class ScopedClock
{
  public:
    explicit ScopedClock(const Clock& c) { Clock::install(&c); }
    ~ScopedClock() { Clock::install(nullptr); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
};

} // namespace vx
