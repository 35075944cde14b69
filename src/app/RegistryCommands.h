#pragma once

namespace vx::app {

class CommandHost;
class ProjectCommands;

// The commands that read or write the IDE's registry in the Wine prefix: Get Delphi (capture),
// Apply, and Backup, Import and Clear of the IDE's key trees.
class RegistryCommands
{
  public:
    // Get Delphi captures into a new project made by `projects`.
    RegistryCommands(CommandHost& host, ProjectCommands& projects) : m_host(host), m_projects(projects) {}

    void RzBitBtnDelphi7ProjectClick();
    void RzBitBtnApplyProjectClick();
    void RzBitBtnBackupRegClick();
    void RzBitBtnImportRegClick();
    void RzBitBtnClearRegClick();
    // Puts the registry back as a snapshot holds it: the newest (the last change) unless the user
    // picks an earlier one from the history.
    void RzBitBtnUndoRegClick();
    // Enables the undo button when the prefix has a snapshot.
    void updateUndoButton();

  private:
    CommandHost& m_host;
    ProjectCommands& m_projects;
};

} // namespace vx::app
