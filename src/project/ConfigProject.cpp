#include "project/ConfigProject.h"

namespace vx {

ConfigProject::ConfigProject(QObject* parent) : QObject(parent)
{
    attach(m_experts);
    attach(m_tools);
}

ConfigProject::~ConfigProject() = default;

void ConfigProject::attach(EntryListModel& model)
{
    connect(&model, &EntryListModel::checkStateChanged, this, [this](int) { checkStateChange(); });
    connect(&model, &EntryListModel::captionEdited, this, [this](int) {
        if (m_open)
            markModified();
    });
}

void ConfigProject::markModified()
{
    if (m_modified)
        return;
    m_modified = true;
    Q_EMIT modifiedChanged(true);
}

void ConfigProject::checkStateChange()
{
    if (m_open)
        markModified();
    Q_EMIT countsChanged();
}

void ConfigProject::setUnmodified()
{
    if (!m_modified)
        return;
    m_modified = false;
    Q_EMIT modifiedChanged(false);
}

int ConfigProject::findGroup(const QString& name) const
{
    for (int g = 0; g < groupCount(); ++g) {
        if (equalsIgnoringAsciiCase(m_groups[size_t(g)].name, name))
            return g;
    }
    return -1;
}

ComponentListModel& ConfigProject::addGroup(const QString& name)
{
    auto model = std::make_unique<ComponentListModel>();
    attach(*model);
    m_groups.push_back({name, std::move(model)});
    const int g = groupCount() - 1;
    Q_EMIT groupAdded(g);
    return *m_groups.back().model;
}

void ConfigProject::removeGroup(int g)
{
    if (g < 0 || g >= groupCount())
        return;
    m_groups.erase(m_groups.begin() + g);
    // The active index follows its group when an earlier one goes; when the active group itself
    // goes, the one that takes its place (or the new last one) becomes active. The window's tabs
    // move the same way, so no activeGroupChanged is announced.
    if (m_activeGroup > g)
        --m_activeGroup;
    if (m_activeGroup >= groupCount())
        m_activeGroup = groupCount() - 1;
    Q_EMIT groupRemoved(g);
    Q_EMIT countsChanged();
}

void ConfigProject::renameGroup(int g, const QString& name)
{
    if (g < 0 || g >= groupCount())
        return;
    m_groups[size_t(g)].name = name;
    Q_EMIT groupRenamed(g);
}

void ConfigProject::setActiveGroup(int g)
{
    if (g < -1 || g >= groupCount() || g == m_activeGroup)
        return;
    m_activeGroup = g;
    Q_EMIT activeGroupChanged(g);
}

int ConfigProject::componentCount() const
{
    int n = 0;
    for (const ComponentGroup& g : m_groups)
        n += g.model->count();
    return n;
}

int ConfigProject::selectedComponentCount() const
{
    int n = 0;
    for (const ComponentGroup& g : m_groups)
        n += g.model->selectedCount();
    return n;
}

void ConfigProject::clear()
{
    m_open = false;
    m_experts.clear();
    m_experts.setViewSettings({m_experts.defaultWidths(), -1, 0});
    if (!m_groups.empty()) {
        m_groups.clear();
        Q_EMIT groupsCleared();
    }
    m_activeGroup = -1;
    m_tools.clear();
    m_tools.setViewSettings({m_tools.defaultWidths(), -1, 0});
    m_searchPath.clear();
    m_fileName.clear();
    // A project saved from here on (Save As with none open) is a new one with figures of its own.
    m_stats = ProjectStatistics{};
    setUnmodified();
    Q_EMIT countsChanged();
}

} // namespace vx
