#pragma once

#include <QObject>
#include <QString>

namespace vx::app {

class CommandHost;

// The commands of the Projects page: New, Open, Save, Save As, Close, the save question, and
// opening a project by path with everything the window shows about it.
class ProjectCommands : public QObject
{
    Q_OBJECT
  public:
    enum class SaveQuery { Proceed, Discarded, Cancel };

    explicit ProjectCommands(CommandHost& host);

    // "Project File(*.vx7)|*.vx7" in the current language.
    static QString dialogFilter();

    // Asks whether to save a modified project; Yes saves (a failed save counts as Cancel).
    SaveQuery QuerySaveProject();
    // Opens a project file; false (after the message) when it is missing or read-only.
    bool LoadProject(const QString& path);
    // Creates and opens a new project file chosen by the user.
    bool CreateNewProject();

    void RzBitBtnNewProjectClick();
    void RzBitBtnOpenProjectClick();
    // Save; without an open project it asks for a file name first. True when the file was written.
    bool RzBitBtnSaveProjectClick();
    bool RzBitBtnSaveProjectAsClick();
    void RzBitBtnCloseProjectClick();

    // Writes the open project's statistics into its file (at close and before another opens).
    void SaveProjectStatistics();

  private:
    bool saveToStore();
    // Asks for a project file name and puts ".vx7" in place; empty when cancelled or refused.
    QString askProjectFileName();
    void reportWriteError(const QString& message);

    CommandHost& m_host;
    QString m_proposedName;
};

} // namespace vx::app
