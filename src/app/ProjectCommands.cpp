#include "app/ProjectCommands.h"

#include "app/MainWindow.h"
#include "prompter/Prompter.h"
#include "i18n/UiTexts.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/TimeText.h"
#include "project/ProjectFile.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vx::app {

namespace {
ProgressTexts progressTexts(MainUi& ui)
{
    ProgressTexts t;
    t.loading = uiText(UiText::Loading);
    t.saving = uiText(UiText::Saving);
    t.expertPage = ui.RzPageControl->tabText(ui.RzPageControl->indexOf(ui.TabSheetExperts));
    t.componentPage = ui.RzPageControl->tabText(ui.RzPageControl->indexOf(ui.TabSheetComponents));
    t.toolPage = ui.RzPageControl->tabText(ui.RzPageControl->indexOf(ui.TabSheetTool));
    return t;
}
} // namespace

ProjectCommands::ProjectCommands(TFormMain& window) : m_window(window) {}

QString ProjectCommands::dialogFilter()
{
    return uiText(UiText::ProjectFile) + u"(*.vx7)|*.vx7"_s;
}

void ProjectCommands::reportWriteError(const QString& message)
{
    Prompter::error(&m_window, message, QString::fromUtf16(kProductName));
}

void ProjectCommands::clearProjectLabels()
{
    MainUi& ui = m_window.ui();
    for (QLabel* l : {ui.RzLabelProject, ui.RzLabelProjectRuns, ui.RzLabelProjectTimeSum, ui.RzLabelProjectBeginTime,
                      ui.RzLabelProjectRunTime, ui.RzLabelProjectLastTime, ui.RzLabelProjectLastRun,
                      ui.RzLabelGroupNum, ui.RzLabelCompNum, ui.RzLabelCompSel, ui.RzLabelExpertNum,
                      ui.RzLabelExpertSel, ui.RzLabelToolNum, ui.RzLabelToolSel})
        l->clear();
}

ProjectCommands::SaveQuery ProjectCommands::QuerySaveProject()
{
    if (!m_window.project().isModified())
        return SaveQuery::Proceed;
    Prompter::Message m{Prompter::Icon::Warning, uiText(UiText::Warn), uiText(UiText::MsgQuerySave),
                        Prompter::Yes | Prompter::No | Prompter::Cancel, Prompter::Yes, true};
    switch (Prompter::current().message(&m_window, m)) {
    case Prompter::Yes:
        return RzBitBtnSaveProjectClick() ? SaveQuery::Proceed : SaveQuery::Cancel;
    case Prompter::No:
        return SaveQuery::Discarded;
    default:
        return SaveQuery::Cancel;
    }
}

void ProjectCommands::SaveProjectStatistics()
{
    ConfigProject& p = m_window.project();
    if (!p.isOpen())
        return;
    m_window.storeListLayouts();
    writeProjectStatistics(m_window.projectStore(), p, Clock::current().now());
}

bool ProjectCommands::LoadProject(const QString& path)
{
    TFormMain& w = m_window;
    MainUi& ui = w.ui();
    ConfigProject& p = w.project();
    const QDateTime now = Clock::current().now();
    const ProgressTexts texts = progressTexts(ui);

    ReadOptions options;
    options.now = now;
    options.verify = ui.RzCheckBoxValid->isChecked() ? &w.installation().bridge : nullptr;
    options.progress = [&](const ProgressEvent& e) { w.progressStep(int(e.percent), progressText(e, texts)); };

    if (p.isOpen())
        w.storeListLayouts(); // the statistics of the project being left carry its layout
    LoadResult result;
    try {
        w.progressBegin();
        result = loadProject(p, w.projectStore(), path, w.macro(), options);
    } catch (const OperationError& e) {
        w.progressEnd();
        // Storing the statistics of the project being left failed before anything changed: that
        // project is still the open one, and the window goes on showing it.
        if (!p.isOpen()) {
            clearProjectLabels();
            w.setNoProjectCaption();
        }
        reportWriteError(e.message());
        return false;
    }
    w.progressEnd();
    clearProjectLabels();
    if (result.outcome != LoadOutcome::Opened) {
        w.setNoProjectCaption();
        const QString msg = uiText(UiText::MsgFileReadOnly);
        Prompter::error(&w, msg + u"\n\n"_s + path);
        ui.RzStatusPaneMsg->setText(msg);
        return false;
    }

    const ProjectStatistics& st = p.statistics();
    ui.RzLabelProject->setText(path);
    w.setWindowTitle(u"Delphi 7 "_s + w.productName() + u" - "_s + path);
    ui.RzLabelProjectRuns->setText(QString::number(result.shownRun));
    ui.RzLabelProjectTimeSum->setText(timeText(st.timeSumMs));
    ui.RzLabelProjectBeginTime->setText(dateTimeText(now));
    ui.RzLabelProjectLastTime->setText(dateTimeText(st.lastTime));
    ui.RzLabelProjectLastRun->setText(timeText(st.lastRunMs));
    w.statistics().resetSkip();
    ui.RzBitBtnSaveProject->setEnabled(false);
    ui.RzBitBtnCloseProject->setEnabled(true);
    w.RzPageControlTabClick();
    return true;
}

QString ProjectCommands::askProjectFileName()
{
    const QString chosen = Prompter::current().saveFile(&m_window, m_proposedName, dialogFilter(), true);
    if (chosen.isEmpty())
        return {};
    const QString name = replaceExtension(chosen, u".vx7"_s);
    m_proposedName = name;
    // The dialog asked about the name as typed; a different final name that exists is asked here.
    if (name != chosen && QFileInfo::exists(name)) {
        const QString q = name + u"\n\nThis file already exists. Do you want to replace it?"_s;
        if (!Prompter::askYesNo(&m_window, q, uiText(UiText::Warn)))
            return {};
    }
    return name;
}

bool ProjectCommands::CreateNewProject()
{
    if (QuerySaveProject() == SaveQuery::Cancel)
        return false;
    const QString name = askProjectFileName();
    if (name.isEmpty())
        return false;
    m_window.project().clear();
    clearProjectLabels();
    m_window.setNoProjectCaption();
    try {
        writeFileAtomically(name, QByteArray(kProjectFileHeader));
    } catch (const OperationError&) {
        Prompter::error(&m_window, uiText(UiText::CreatFileError) + u"\n\n"_s + name);
        return false;
    }
    if (!LoadProject(name))
        return false;
    for (const QString& dir : {u"$(Delphi)\\Bin"_s, u"$(Delphi)\\Lib"_s, u"$(Delphi)\\imports"_s})
        m_window.project().searchPath().addPath(dir);
    m_window.ui().RzBitBtnCloseProject->setEnabled(true);
    return true;
}

void ProjectCommands::RzBitBtnNewProjectClick()
{
    const bool created = CreateNewProject();
    m_window.ui().showPage(Page::Projects);
    if (created)
        m_window.project().markModified();
}

void ProjectCommands::RzBitBtnOpenProjectClick()
{
    if (QuerySaveProject() == SaveQuery::Cancel)
        return;
    const QString chosen =
        Prompter::current().openFile(&m_window, m_window.installation().hostRoot, dialogFilter());
    if (chosen.isEmpty())
        return;
    LoadProject(chosen);
    m_window.ui().showPage(Page::Projects);
    m_window.RzPageControlTabClick();
}

bool ProjectCommands::saveToStore()
{
    TFormMain& w = m_window;
    MainUi& ui = w.ui();
    ConfigProject& p = w.project();
    const QString file = w.projectStore().path();
    w.storeListLayouts();

    const ProgressTexts texts = progressTexts(ui);
    // The progress text stands in the window's title (what the task bar shows) while Save runs.
    const QString title = w.windowTitle();
    w.setEnabled(false);
    w.progressBegin();
    const auto restore = [&] {
        w.setWindowTitle(title);
        w.setEnabled(true);
        w.progressEnd();
    };
    try {
        saveProject(p, w.projectStore(), Clock::current().now(), [&](const ProgressEvent& e) {
            const QString text = progressText(e, texts);
            w.setWindowTitle(text);
            w.progressStep(int(e.percent), text);
        });
    } catch (const OperationError& e) {
        restore();
        reportWriteError(e.message());
        return false;
    }
    restore();
    p.setUnmodified();
    w.setWindowTitle(u"Delphi "_s + w.productName() + u" - "_s + file);
    ui.RzBitBtnSaveProject->setEnabled(false);
    // A legacy file keeps its code page while its text fits (else the store said it became UTF-8).
    if (const IniFileEncoding encoding = w.projectStore().encoding(); encoding.kind == IniEncoding::CodePage)
        ui.RzStatusPaneMsg->setText(file + u" was written in "_s + encodingName(encoding) + u", as it was read."_s);
    return true;
}

bool ProjectCommands::RzBitBtnSaveProjectClick()
{
    // Without an open project the store may still name a file that is no longer open: never write
    // into it unasked, ask for a file as Save As does.
    if (!m_window.project().isOpen() || m_window.projectStore().path().isEmpty())
        return RzBitBtnSaveProjectAsClick();
    return saveToStore();
}

bool ProjectCommands::RzBitBtnSaveProjectAsClick()
{
    const QString name = askProjectFileName();
    if (name.isEmpty())
        return false;
    // A Save As that fails leaves the project where it was: its statistics and later saves keep
    // going to the file it was opened from, not to a file that could not be written.
    const QString oldStore = m_window.projectStore().path();
    const QString oldName = m_window.project().fileName();
    const QString oldLabel = m_window.ui().RzLabelProject->text();
    m_window.projectStore().open(name);
    m_window.project().setFileName(name);
    m_window.ui().RzLabelProject->setText(name);
    if (saveToStore())
        return true;
    m_window.projectStore().open(oldStore);
    m_window.project().setFileName(oldName);
    m_window.ui().RzLabelProject->setText(oldLabel);
    return false;
}

void ProjectCommands::RzBitBtnCloseProjectClick()
{
    if (QuerySaveProject() == SaveQuery::Cancel)
        return;
    m_window.project().clear();
    clearProjectLabels();
    m_window.setNoProjectCaption();
    m_window.ui().RzBitBtnCloseProject->setEnabled(false);
    m_window.RzPageControlTabClick();
}

} // namespace vx::app
