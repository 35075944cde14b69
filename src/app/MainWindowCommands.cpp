// The window's side of the project, registry and check commands: which button runs which
// command, and what the commands show in the window (figures, buttons).
#include "app/InsightCommands.h"
#include "app/MainWindow.h"
#include "app/ProjectCommands.h"
#include "app/RegistryCommands.h"

namespace vx::app {

void TFormMain::connectCommands()
{
    m_commands = std::make_unique<ProjectCommands>(*this);
    m_registry = std::make_unique<RegistryCommands>(*this, *m_commands);
    const MainUi& ui = m_ui;
    ProjectCommands* c = m_commands.get();
    RegistryCommands* r = m_registry.get();
    const std::pair<QPushButton*, std::function<void()>> commands[] = {
        {ui.RzBitBtnNewProject, [c] { c->RzBitBtnNewProjectClick(); }},
        {ui.RzBitBtnOpenProject, [c] { c->RzBitBtnOpenProjectClick(); }},
        {ui.RzBitBtnSaveProject, [c] { c->RzBitBtnSaveProjectClick(); }},
        {ui.RzBitBtnSaveProjectAs, [c] { c->RzBitBtnSaveProjectAsClick(); }},
        {ui.RzBitBtnCloseProject, [c] { c->RzBitBtnCloseProjectClick(); }},
        {ui.RzBitBtnDelphi7Project, [r] { r->RzBitBtnDelphi7ProjectClick(); }},
        {ui.RzBitBtnApplyProject, [r] { r->RzBitBtnApplyProjectClick(); }},
        {ui.RzBitBtnBackupReg, [r] { r->RzBitBtnBackupRegClick(); }},
        {ui.RzBitBtnImportReg, [r] { r->RzBitBtnImportRegClick(); }},
        {ui.RzBitBtnClearReg, [r] { r->RzBitBtnClearRegClick(); }},
        {ui.RzBitBtnCheckProject, [this] { checkProjectCommand(*this); }},
        {ui.RzBitBtnUndoReg, [r] { r->RzBitBtnUndoRegClick(); }},
    };
    for (const auto& [button, run] : commands)
        connectCommand(button, &QPushButton::clicked, run);
    // After every command that may take a snapshot, once it has run (queued: Recover's own
    // handler is connected later).
    for (QPushButton* b :
         {ui.RzBitBtnApplyProject, ui.RzBitBtnImportReg, ui.RzBitBtnClearReg, ui.RzBitBtnRecover})
        connect(
            b, &QPushButton::clicked, this, [r] { r->updateUndoButton(); }, Qt::QueuedConnection);
}

void TFormMain::showProjectFigures(const ProjectFigures& f)
{
    const MainUi& ui = m_ui;
    const std::pair<QLabel*, QString> figures[] = {{ui.RzLabelProject, f.file},
                                                   {ui.RzLabelProjectRuns, f.runs},
                                                   {ui.RzLabelProjectTimeSum, f.timeSum},
                                                   {ui.RzLabelProjectBeginTime, f.beginTime},
                                                   {ui.RzLabelProjectLastTime, f.lastTime},
                                                   {ui.RzLabelProjectLastRun, f.lastRun}};
    for (const auto& [label, text] : figures)
        label->setText(text);
    // The pass time and the counts come with the next tick and the next count of the page control.
    for (QLabel* l : {ui.RzLabelProjectRunTime, ui.RzLabelGroupNum, ui.RzLabelCompNum, ui.RzLabelCompSel,
                      ui.RzLabelExpertNum, ui.RzLabelExpertSel, ui.RzLabelToolNum, ui.RzLabelToolSel})
        l->clear();
}

void TFormMain::setButtonEnabled(Button button, bool enabled)
{
    QPushButton* b = button == Button::SaveProject    ? m_ui.RzBitBtnSaveProject
                     : button == Button::CloseProject ? m_ui.RzBitBtnCloseProject
                                                      : m_ui.RzBitBtnUndoReg;
    b->setEnabled(enabled);
}

} // namespace vx::app
