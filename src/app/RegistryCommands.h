#pragma once

namespace vx::app {

class TFormMain;

// The commands that read or write the IDE's registry in the Wine prefix: Get Delphi (capture),
// Apply, and Backup, Import and Clear of the IDE's key trees.
class RegistryCommands
{
public:
    explicit RegistryCommands(TFormMain& window) : m_window(window) {}

    void RzBitBtnDelphi7ProjectClick();
    void RzBitBtnApplyProjectClick();
    void RzBitBtnBackupRegClick();
    void RzBitBtnImportRegClick();
    void RzBitBtnClearRegClick();

private:
    TFormMain& m_window;
};

} // namespace vx::app
