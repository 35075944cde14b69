#pragma once

#include "project/EntryModels.h"

#include <QDateTime>
#include <QObject>
#include <memory>
#include <vector>

namespace vx {

// Usage figures of a project as its file keeps them, plus the moment it was opened.
struct ProjectStatistics
{
    int runCount = 1;     // ordinal of the next opening once opened; the stored value when only read
    qint64 timeSumMs = 0; // accumulated usage, time of day only
    int days = 0;         // whole days of accumulated usage, never negative
    QDateTime lastTime;   // when the statistics were last written
    qint64 lastRunMs = 0; // how long the project was open the last time
    QDateTime beginTime;  // when it was opened this time; never stored
    int sum = 1;          // components in all groups at the last write (progress total of a load)
    int page = 0;         // active group tab at the last write, -1 for none
};

struct ComponentGroup
{
    QString name;
    std::unique_ptr<ComponentListModel> model;
};

// The one open configuration project: its rows, groups, statistics and the open / modified state.
// The check-state and caption-edit rules live here: while a project is open, a changed check box
// or an edited caption marks it modified; without one nothing is marked.
class ConfigProject : public QObject
{
    Q_OBJECT
  public:
    explicit ConfigProject(QObject* parent = nullptr);
    ~ConfigProject() override;

    const QString& fileName() const { return m_fileName; }
    void setFileName(const QString& f) { m_fileName = f; }
    bool isOpen() const { return m_open; }
    void setOpen(bool open) { m_open = open; }
    bool isModified() const { return m_modified; }
    // Sets the modified flag once; announces it with modifiedChanged(true).
    void markModified();
    // Clears the flag after a save or load.
    void setUnmodified();
    // The check-state handler of every list: marks the project modified while one is open and
    // announces that the counters are stale. Runs for each changed check box, and once after a
    // group was added, renamed or deleted.
    void checkStateChange();

    ExpertListModel& experts() { return m_experts; }
    const ExpertListModel& experts() const { return m_experts; }
    ToolListModel& tools() { return m_tools; }
    const ToolListModel& tools() const { return m_tools; }
    SearchPathModel& searchPath() { return m_searchPath; }
    const SearchPathModel& searchPath() const { return m_searchPath; }

    int groupCount() const { return int(m_groups.size()); }
    const QString& groupName(int g) const { return m_groups[size_t(g)].name; }
    ComponentListModel& group(int g) { return *m_groups[size_t(g)].model; }
    const ComponentListModel& group(int g) const { return *m_groups[size_t(g)].model; }
    // Index of the group with this name (ASCII case ignored), -1 when there is none.
    int findGroup(const QString& name) const;
    // Builds a group at the end of the tabs and returns its list.
    ComponentListModel& addGroup(const QString& name);
    // Removes a group; the active index keeps pointing at the active group (see the .cpp).
    void removeGroup(int g);
    void renameGroup(int g, const QString& name);
    int activeGroup() const { return m_activeGroup; }
    void setActiveGroup(int g);

    ProjectStatistics& statistics() { return m_stats; }
    const ProjectStatistics& statistics() const { return m_stats; }

    int componentCount() const;
    int selectedComponentCount() const;

    // Resets to the no-project state: all rows and groups go, no file, not open, not modified.
    // Statistics in memory are kept.
    void clear();

  Q_SIGNALS:
    void modifiedChanged(bool modified);
    // Rows were added, removed or (un)checked: counters shown elsewhere are stale.
    void countsChanged();
    void groupAdded(int g);
    void groupRemoved(int g);
    void groupRenamed(int g);
    void groupsCleared();
    void activeGroupChanged(int g);

  private:
    void attach(EntryListModel& model);

    QString m_fileName;
    bool m_open = false;
    bool m_modified = false;
    ExpertListModel m_experts;
    ToolListModel m_tools;
    SearchPathModel m_searchPath;
    std::vector<ComponentGroup> m_groups;
    int m_activeGroup = -1;
    ProjectStatistics m_stats;
};

} // namespace vx
