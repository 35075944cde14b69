#include "app/RegistryCommands.h"

#include "app/CommandHost.h"
#include "app/ProjectCommands.h"
#include "delphireg/ApplyPreview.h"
#include "delphireg/DelphiConfig.h"
#include "delphireg/RegImport.h"
#include "delphireg/RegistryTransaction.h"
#include "delphireg/Snapshots.h"
#include "i18n/UiTexts.h"
#include "integration/HealthCheck.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/Installation.h"
#include "platform/registry/RegistryStore.h"
#include "project/ProjectFile.h"
#include "prompter/Prompter.h"

#include <QFile>
#include <iterator>

using namespace Qt::StringLiterals;

namespace vx::app {

namespace {

const QString kRegFilter = u"reg file|*.reg"_s;

// Makes a registry change through the transaction. False, with the report shown, when the change
// was refused or failed in any part.
bool changeRegistry(CommandHost& h, RegistryStore& store, SnapshotOperation op, const SnapshotScope& scope,
                    const std::function<void()>& change, OnFailure onFailure)
{
    const TransactionResult r =
        runRegistryTransaction(store, h.installation().prefix(), op, scope, change, onFailure);
    if (!r.ok())
        Prompter::error(h.dialogParent(), r.report());
    return r.ok();
}

// A history entry as the undo list shows it, e.g. "2026-12-06 16:50:39, before clear".
QString historyLine(const SnapshotInfo& s)
{
    // The operations' texts in the order of SnapshotOperation.
    static constexpr UiText kOperationTexts[] = {UiText::MsgOpApply,   UiText::MsgOpImport,
                                                 UiText::MsgOpClear,   UiText::MsgOpRecover,
                                                 UiText::MsgOpRestore, UiText::MsgOpAssociate};
    static_assert(std::size(kOperationTexts) == size_t(SnapshotOperation::Associate) + 1);
    const UiText op = kOperationTexts[size_t(s.operation)];
    return s.time.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss"_s) + u", "_s +
           uiText(UiText::MsgBefore).arg(uiText(op));
}

// Reading the hive files is allowed while Wine runs, but they may lag behind Wine's memory.
void warnIfWineRuns(CommandHost& h)
{
    if (const auto warning = wineRunningReadWarning(h.installation().prefix()))
        Prompter::warning(h.dialogParent(), *warning);
}

} // namespace

void RegistryCommands::RzBitBtnDelphi7ProjectClick()
{
    CommandHost& h = m_host;
    if (!m_projects.CreateNewProject())
        return;
    ConfigProject& p = h.project();
    p.searchPath().clear();
    warnIfWineRuns(h);
    HiveRegistryStore store(h.installation().prefix());
    try {
        captureDelphiConfig(store, p, h.macro());
    } catch (const OperationError& e) {
        Prompter::error(h.dialogParent(), e.message());
        return;
    }
    h.showPage(Page::Projects);
    h.notifyPageControl();
    h.skipNextTick();
}

void RegistryCommands::RzBitBtnApplyProjectClick()
{
    CommandHost& h = m_host;
    QWidget* const w = h.dialogParent();
    // What Apply will change, worked out on the hives in memory and thrown away before the question.
    QString preview, details;
    try {
        HiveRegistryStore scratch(h.installation().prefix());
        const std::vector<RegistryChange> changes =
            previewApply(scratch, h.project(), h.macro(), h.installation().bridge);
        preview = applyPreviewSummary(changes);
        details = applyPreviewLines(changes).join(u'\n');
        const std::vector<integration::Finding> refused =
            integration::checkPackagesApplyLoads(h.project(), h.macro(), h.installation().bridge,
                                                 integration::healthCheckPlaces(h.installation().prefix()));
        if (!refused.empty())
            preview += u"\n\n"_s + integration::healthReportText(refused);
    } catch (const OperationError& e) {
        preview = e.message();
    }
    const QString question =
        uiText(UiText::MsgApply2) + u"\n\n"_s + uiText(UiText::MsgApply1) + u"\n\n"_s + preview;
    Prompter::Message ask{Prompter::Icon::Warning,         uiText(UiText::Warn), question,
                          Prompter::Ok | Prompter::Cancel, Prompter::Ok,         false};
    ask.details = details;
    if (Prompter::current().message(nullptr, ask) != Prompter::Ok)
        return;
    HiveRegistryStore store(h.installation().prefix());
    if (!changeRegistry(
            h, store, SnapshotOperation::Apply, keysWrittenBy(SnapshotOperation::Apply),
            [&] { applyProject(store, h.project(), h.macro(), h.installation().bridge); },
            OnFailure::KeepWritten))
        return;
    const QString done = uiText(UiText::MsgApply3);
    h.showStatus(done);
    Prompter::current().message(
        w, {Prompter::Icon::None, QString::fromUtf16(kProductName), done, Prompter::Ok, Prompter::Ok, false});
}

void RegistryCommands::RzBitBtnBackupRegClick()
{
    CommandHost& h = m_host;
    QWidget* const w = h.dialogParent();
    if (!Prompter::askYesNo(w, uiText(UiText::MsgBackupReg1)))
        return;
    const QString chosen = Prompter::current().saveFile(w, {}, kRegFilter, true);
    if (chosen.isEmpty())
        return;
    const QString target = replaceExtension(chosen, u".reg"_s);
    warnIfWineRuns(h);
    try {
        const HiveRegistryStore store(h.installation().prefix());
        writeFileAtomically(target, backupDelphiRegistry(store));
    } catch (const OperationError& e) {
        Prompter::error(w, e.message());
        return;
    }
    Prompter::warning(w, uiText(UiText::MsgBackupReg2) + u"\n\n"_s + target);
}

void RegistryCommands::RzBitBtnImportRegClick()
{
    CommandHost& h = m_host;
    QWidget* const w = h.dialogParent();
    if (!Prompter::askYesNo(w, uiText(UiText::MsgImportReg)))
        return;
    const QString chosen = Prompter::current().openFile(w, h.installation().hostRoot, kRegFilter);
    if (chosen.isEmpty())
        return;
    QFile file(chosen);
    if (!file.open(QIODevice::ReadOnly)) {
        Prompter::error(w, u"Unable to read "_s + chosen);
        return;
    }
    const QByteArray bytes = file.readAll();
    HiveRegistryStore store(h.installation().prefix());
    // All or nothing: the file is parsed whole before anything is done, and an error while
    // applying it leaves nothing to commit.
    SnapshotScope scope;
    try {
        scope = importScope(store, parseRegFile(bytes, chosen));
    } catch (const OperationError& e) {
        Prompter::error(w, e.message() + u"\n\nNothing was imported; the registry was not changed."_s);
        return;
    }
    RegImportSummary summary;
    if (!changeRegistry(
            h, store, SnapshotOperation::Import, scope,
            [&] { summary = importRegFile(bytes, store, chosen); }, OnFailure::WriteNothing))
        return;
    Prompter::information(w, chosen + u"\n\n"_s + QString::number(summary.keys) + u" keys, "_s +
                                 QString::number(summary.values) + u" values, "_s +
                                 QString::number(summary.deletions) + u" deletions imported."_s);
}

void RegistryCommands::RzBitBtnClearRegClick()
{
    CommandHost& h = m_host;
    QWidget* const w = h.dialogParent();
    if (!Prompter::askYesNo(w, uiText(UiText::MsgRecover1)))
        return;
    HiveRegistryStore store(h.installation().prefix());
    if (!changeRegistry(
            h, store, SnapshotOperation::Clear, keysWrittenBy(SnapshotOperation::Clear),
            [&] { clearDelphiRegistry(store); }, OnFailure::KeepWritten))
        return;
    Prompter::information(w, uiText(UiText::MsgClearReg));
}

void RegistryCommands::RzBitBtnUndoRegClick()
{
    CommandHost& h = m_host;
    QWidget* const w = h.dialogParent();
    const SnapshotStore snapshots(h.installation().prefix());
    const std::vector<SnapshotInfo> history = snapshots.history();
    if (history.empty()) {
        Prompter::information(w, uiText(UiText::MsgUndoNone) + u' ' + snapshots.folder());
        updateUndoButton();
        return;
    }
    // The newest is chosen unless the user picks an earlier state.
    QStringList lines;
    for (const SnapshotInfo& s : history)
        lines << historyLine(s);
    const std::optional<int> chosen = Prompter::current().chooseItem(w, h.caption(u"RzBitBtnUndoReg"_s),
                                                                     uiText(UiText::MsgUndoChoose), lines, 0);
    if (!chosen || *chosen < 0 || *chosen >= int(history.size()))
        return;
    const SnapshotInfo& snapshot = history[size_t(*chosen)];
    HiveRegistryStore store(h.installation().prefix());
    try {
        const RestoreResult r = restoreSnapshotFile(snapshot.file, store, h.installation().prefix());
        updateUndoButton();
        if (!r.transaction.ok()) {
            Prompter::error(w, r.transaction.changed
                                   ? r.transaction.report()
                                   : r.transaction.error + u"\n\n"_s + uiText(UiText::MsgUndoFailed));
            return;
        }
    } catch (const OperationError& e) {
        // Refused before anything was done: the snapshot does not read, or Wine runs.
        Prompter::error(w, e.message() + u"\n\n"_s + uiText(UiText::MsgUndoFailed));
        updateUndoButton();
        return;
    }
    Prompter::information(w, uiText(UiText::MsgUndoDone) + u'\n' + historyLine(snapshot) + u"\n\n"_s +
                                 uiText(UiText::MsgUndoAgain));
}

void RegistryCommands::updateUndoButton()
{
    CommandHost& h = m_host;
    h.setButtonEnabled(CommandHost::Button::UndoRegistry, !SnapshotStore(h.installation().prefix()).empty());
}

} // namespace vx::app
