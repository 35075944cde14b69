#pragma once

#include "editing/EditingHost.h"
#include "platform/PathBridge.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"

#include <QAbstractItemModel>
#include <QStringList>
#include <map>
#include <set>

namespace vx::test {

// A window stand-in for the editing commands: it keeps the selection of each list, the captions
// by object name, the addressed group and what the commands showed, so that a test can drive a
// command and look at everything it touched without building the window.
class FakeEditingHost : public editing::EditingHost
{
  public:
    // DelphiRoot in Windows form; `prefix` is the Wine prefix of the bridge (may be empty).
    explicit FakeEditingHost(const QString& delphiRoot = QStringLiteral("C:\\Delphi7\\"),
                             const QString& prefix = {})
        : m_macro(delphiRoot), m_bridge(prefix)
    {
        m_captions = {{QStringLiteral("TabSheetExperts"), QStringLiteral("Expert")},
                      {QStringLiteral("TabSheetComponents"), QStringLiteral("Component")},
                      {QStringLiteral("TabSheetTool"), QStringLiteral("Tool")}};
    }

    QWidget* dialogParent() override { return nullptr; }
    ConfigProject& project() override { return m_project; }
    const PathMacro& macro() const override { return m_macro; }
    const PathBridge& bridge() const override { return m_bridge; }
    DialogStates& dialogs() override { return m_dialogs; }
    QString hostRoot() const override { return m_hostRoot; }
    QString caption(const QString& objectName) const override
    {
        const auto it = m_captions.find(objectName);
        return it == m_captions.end() ? QString() : it->second;
    }
    int selectedRow(const QAbstractItemModel& list) const override
    {
        const auto it = m_selected.find(&list);
        return it == m_selected.end() || it->second >= list.rowCount() ? -1 : it->second;
    }
    void selectRow(const QAbstractItemModel& list, int row) override { m_selected[&list] = row; }
    void notifyPageControl() override { ++m_notifications; }
    int addressedGroup() const override { return m_addressed; }
    bool hasGroupList(int group) const override { return !m_missingGroupLists.contains(group); }
    void setAddressedGroup(int group) override { m_addressed = group; }
    void setListHint(const QAbstractItemModel& list, const QString& text) override
    {
        m_hints[&list] = text;
        m_pane = text;
    }
    QString languageName() const override { return m_language; }
    void loadLanguage(const QString& name) override
    {
        m_language = name;
        m_loadedLanguages.append(name);
    }
    QFont displayFont() const override { return m_font; }
    void setDisplayFont(const QFont& font) override { m_font = font; }

    // Test controls and observations.
    void setHostRoot(const QString& root) { m_hostRoot = root; }
    void clearSelection(const QAbstractItemModel& list) { m_selected.erase(&list); }
    // The window loses the list of a group (its pages and the project's groups out of step).
    void loseGroupList(int group) { m_missingGroupLists.insert(group); }
    int notifications() const { return m_notifications; }
    QString hint(const QAbstractItemModel& list) const
    {
        const auto it = m_hints.find(&list);
        return it == m_hints.end() ? QString() : it->second;
    }
    const QString& pane() const { return m_pane; }
    const QStringList& loadedLanguages() const { return m_loadedLanguages; }

  private:
    ConfigProject m_project;
    PathMacro m_macro;
    PathBridge m_bridge;
    DialogStates m_dialogs;
    QString m_hostRoot;
    std::map<QString, QString> m_captions;
    std::map<const QAbstractItemModel*, int> m_selected;
    std::map<const QAbstractItemModel*, QString> m_hints;
    QString m_pane;
    int m_notifications = 0;
    int m_addressed = -1;
    std::set<int> m_missingGroupLists;
    QString m_language = QStringLiteral("English");
    QStringList m_loadedLanguages;
    QFont m_font;
};

} // namespace vx::test
