#include "app/ProjectCommands.h"

#include "app/CommandHost.h"
#include "i18n/UiTexts.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/Installation.h"
#include "platform/TimeText.h"
#include "platform/ini/IniFile.h"
#include "project/ProjectFile.h"
#include "prompter/Prompter.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vx::app {

namespace {
ProgressTexts progressTexts(const CommandHost& host)
{
    ProgressTexts t;
    t.loading = uiText(UiText::Loading);
    t.saving = uiText(UiText::Saving);
    t.expertPage = host.caption(u"TabSheetExperts"_s);
    t.componentPage = host.caption(u"TabSheetComponents"_s);
    t.toolPage = host.caption(u"TabSheetTool"_s);
    return t;
}
} // namespace

ProjectCommands::ProjectCommands(CommandHost& host) : m_host(host) {}

QString ProjectCommands::dialogFilter()
{
    return uiText(UiText::ProjectFile) + u"(*.vx7)|*.vx7"_s;
}

void ProjectCommands::reportWriteError(const QString& message)
{
    Prompter::error(m_host.dialogParent(), message, QString::fromUtf16(kProductName));
}

ProjectCommands::SaveQuery ProjectCommands::QuerySaveProject()
{
    if (!m_host.project().isModified())
        return SaveQuery::Proceed;
    Prompter::Message m{Prompter::Icon::Warning,
                        uiText(UiText::Warn),
                        uiText(UiText::MsgQuerySave),
                        Prompter::Yes | Prompter::No | Prompter::Cancel,
                        Prompter::Yes,
                        true};
    switch (Prompter::current().message(m_host.dialogParent(), m)) {
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
    ConfigProject& p = m_host.project();
    if (!p.isOpen())
        return;
    m_host.storeListLayouts();
    writeProjectStatistics(m_host.projectStore(), p, Clock::current().now());
}

bool ProjectCommands::LoadProject(const QString& path)
{
    CommandHost& h = m_host;
    ConfigProject& p = h.project();
    const QDateTime now = Clock::current().now();
    const ProgressTexts texts = progressTexts(h);

    ReadOptions options;
    options.now = now;
    options.verify = h.verifyFilesOnLoad() ? &h.installation().bridge : nullptr;
    options.progress = [&](const ProgressEvent& e) {
        h.progressStep(int(e.percent), progressText(e, texts));
    };

    if (p.isOpen())
        h.storeListLayouts(); // the statistics of the project being left carry its layout
    LoadResult result;
    try {
        h.progressBegin();
        result = loadProject(p, h.projectStore(), path, h.macro(), options);
    } catch (const OperationError& e) {
        h.progressEnd();
        // Storing the statistics of the project being left failed before anything changed: that
        // project is still the open one, and the window goes on showing it.
        if (!p.isOpen()) {
            h.showProjectFigures({});
            h.setNoProjectCaption();
        }
        reportWriteError(e.message());
        return false;
    }
    h.progressEnd();
    if (result.outcome != LoadOutcome::Opened) {
        h.showProjectFigures({});
        h.setNoProjectCaption();
        const QString msg = uiText(UiText::MsgFileReadOnly);
        Prompter::error(h.dialogParent(), msg + u"\n\n"_s + path);
        h.showStatus(msg);
        return false;
    }

    const ProjectStatistics& st = p.statistics();
    h.showProjectFigures({path, QString::number(result.shownRun), timeText(st.timeSumMs), dateTimeText(now),
                          dateTimeText(st.lastTime), timeText(st.lastRunMs)});
    h.setTitle(u"Delphi 7 "_s + h.productName() + u" - "_s + path);
    h.skipNextTick();
    h.setButtonEnabled(CommandHost::Button::SaveProject, false);
    h.setButtonEnabled(CommandHost::Button::CloseProject, true);
    h.notifyPageControl();
    return true;
}

QString ProjectCommands::askProjectFileName()
{
    const QString chosen =
        Prompter::current().saveFile(m_host.dialogParent(), m_proposedName, dialogFilter(), true);
    if (chosen.isEmpty())
        return {};
    const QString name = replaceExtension(chosen, u".vx7"_s);
    m_proposedName = name;
    // The dialog asked about the name as typed; a different final name that exists is asked here.
    if (name != chosen && QFileInfo::exists(name)) {
        const QString q = name + u"\n\nThis file already exists. Do you want to replace it?"_s;
        if (!Prompter::askYesNo(m_host.dialogParent(), q, uiText(UiText::Warn)))
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
    m_host.project().clear();
    m_host.showProjectFigures({});
    m_host.setNoProjectCaption();
    try {
        writeFileAtomically(name, QByteArray(kProjectFileHeader));
    } catch (const OperationError&) {
        Prompter::error(m_host.dialogParent(), uiText(UiText::CreatFileError) + u"\n\n"_s + name);
        return false;
    }
    if (!LoadProject(name))
        return false;
    for (const QString& dir : {u"$(Delphi)\\Bin"_s, u"$(Delphi)\\Lib"_s, u"$(Delphi)\\imports"_s})
        m_host.project().searchPath().addPath(dir);
    m_host.setButtonEnabled(CommandHost::Button::CloseProject, true);
    return true;
}

void ProjectCommands::RzBitBtnNewProjectClick()
{
    const bool created = CreateNewProject();
    m_host.showPage(Page::Projects);
    if (created)
        m_host.project().markModified();
}

void ProjectCommands::RzBitBtnOpenProjectClick()
{
    if (QuerySaveProject() == SaveQuery::Cancel)
        return;
    const QString chosen =
        Prompter::current().openFile(m_host.dialogParent(), m_host.installation().hostRoot, dialogFilter());
    if (chosen.isEmpty())
        return;
    LoadProject(chosen);
    m_host.showPage(Page::Projects);
    m_host.notifyPageControl();
}

bool ProjectCommands::saveToStore()
{
    CommandHost& h = m_host;
    ConfigProject& p = h.project();
    const QString file = h.projectStore().path();
    h.storeListLayouts();

    const ProgressTexts texts = progressTexts(h);
    // The progress text stands in the window's title (what the task bar shows) while Save runs.
    const QString title = h.title();
    h.setInputEnabled(false);
    h.progressBegin();
    const auto restore = [&] {
        h.setTitle(title);
        h.setInputEnabled(true);
        h.progressEnd();
    };
    try {
        saveProject(p, h.projectStore(), Clock::current().now(), [&](const ProgressEvent& e) {
            const QString text = progressText(e, texts);
            h.setTitle(text);
            h.progressStep(int(e.percent), text);
        });
    } catch (const OperationError& e) {
        restore();
        reportWriteError(e.message());
        return false;
    }
    restore();
    p.setUnmodified();
    h.setTitle(u"Delphi "_s + h.productName() + u" - "_s + file);
    h.setButtonEnabled(CommandHost::Button::SaveProject, false);
    // A legacy file keeps its code page while its text fits (else the store said it became UTF-8).
    if (const IniFileEncoding encoding = h.projectStore().encoding(); encoding.kind == IniEncoding::CodePage)
        h.showStatus(file + u" was written in "_s + encodingName(encoding) + u", as it was read."_s);
    return true;
}

bool ProjectCommands::RzBitBtnSaveProjectClick()
{
    // Without an open project the store may still name a file that is no longer open: never write
    // into it unasked, ask for a file as Save As does.
    if (!m_host.project().isOpen() || m_host.projectStore().path().isEmpty())
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
    CommandHost& h = m_host;
    const QString oldStore = h.projectStore().path();
    const QString oldName = h.project().fileName();
    const QString oldLabel = h.shownProjectFile();
    h.projectStore().open(name);
    h.project().setFileName(name);
    h.showProjectFile(name);
    if (saveToStore())
        return true;
    h.projectStore().open(oldStore);
    h.project().setFileName(oldName);
    h.showProjectFile(oldLabel);
    return false;
}

void ProjectCommands::RzBitBtnCloseProjectClick()
{
    if (QuerySaveProject() == SaveQuery::Cancel)
        return;
    m_host.project().clear();
    m_host.showProjectFigures({});
    m_host.setNoProjectCaption();
    m_host.setButtonEnabled(CommandHost::Button::CloseProject, false);
    m_host.notifyPageControl();
}

} // namespace vx::app
