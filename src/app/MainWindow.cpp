#include "app/MainWindow.h"

#include "app/Animator.h"
#include "app/EditingCommands.h"
#include "app/EntryListView.h"
#include "app/Images.h"
#include "app/ProjectCommands.h"
#include "app/RegistryCommands.h"
#include "i18n/UiTexts.h"
#include "integration/Associations.h"
#include "integration/EnvironmentCommands.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/SystemInfo.h"
#include "platform/TimeText.h"
#include "platform/pe/PeVersion.h"
#include "platform/registry/RegistryStore.h"
#include "prompter/Prompter.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLayout>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QVBoxLayout>
#include <functional>

using namespace Qt::StringLiterals;

namespace vx::app {

namespace {
QString tabCaption(QTabWidget* tabs, QWidget* page)
{
    return tabs->tabText(tabs->indexOf(page));
}
} // namespace

TFormMain::TFormMain(Installation installation, QString settingsPath, QWidget* parent)
    : QMainWindow(parent), m_installation(std::move(installation)), m_macro(m_installation.delphiRoot),
      m_settingsPath(std::move(settingsPath)), m_executablePath(QCoreApplication::applicationFilePath())
{
    setObjectName(u"TFormMain"_s);
    setMinimumSize(640, 480);
    m_ui = buildMainUi(this);
    EntryListModel::setDecorationProvider([](int image) { return QVariant(mainImage(image)); });
    m_ui.RzListViewExpert->setEntryModel(&m_project.experts());
    m_ui.RzListViewTool->setEntryModel(&m_project.tools());
    m_ui.RzListViewSearchPath->setModel(&m_project.searchPath());
    // A project or settings file in the prefix's code page is written back in it while its text
    // fits; when it no longer does, the file becomes UTF-8, and the user is told so.
    const auto toUtf8 = [this](const QString& path, int codePage) {
        m_ui.RzStatusPaneMsg->setText(path + u" was written in UTF-8: its text no longer fits code page "_s +
                                      QString::number(codePage) + u'.');
    };
    m_projectStore.setEncodingFallbackHandler(toUtf8);
    m_settings.setEncodingFallbackHandler(toUtf8);
    m_ui.RzAnimator->setFrames(animateFrames());
    m_ui.RzAnimator->setFrameIndex(8);
    m_ui.RzAnimator->setAnimating(true);
    m_ui.RzAnimatorT->setFrames(tipFrames(false));
    m_ui.RzAnimatorT->setAnimating(true);
    const QList<QIcon> icons = iconFrames();
    if (!icons.isEmpty())
        setWindowIcon(icons.first());
    // MarkModified as the action the editing commands trigger.
    auto* modify = new QAction(this);
    modify->setObjectName(u"actProjectModify"_s);
    connect(modify, &QAction::triggered, &m_project, &ConfigProject::markModified);
    m_ui.RzPageControlComp->tabBar()->installEventFilter(this);
    qApp->installEventFilter(this); // tooltips of every widget of the window, see eventFilter
    connectCommands();
    connectHandlers();
    connectEditing();
    connectEnvironment();
    setNoProjectCaption();
}

TFormMain::~TFormMain()
{
    // The group lists go before the models they show.
    while (m_ui.RzPageControlComp->count() > 0)
        delete m_ui.RzPageControlComp->widget(0);
}

void TFormMain::connectHandlers()
{
    MainUi& ui = m_ui;
    connect(ui.RzPageControl, &QTabWidget::currentChanged, this, &TFormMain::RzPageControlTabClick);
    // Checked by the user or by the program alike, as a click would.
    connect(ui.RzCheckBoxAssociate, &QCheckBox::toggled, this, &TFormMain::RzCheckBoxAssociateClick);
    // After any change of the tabs (a group added or deleted, the keyboard moving along the tab
    // bar) the group addressed is the current one; only a press on a tab addresses another.
    connect(ui.RzPageControlComp, &QTabWidget::currentChanged, this, [this](int index) {
        m_addressedGroup = index;
        m_project.setActiveGroup(index);
        RzPageControlTabClick();
    });
    ui.RzPageControlComp->tabBar()->setFocusPolicy(Qt::StrongFocus);

    connect(&m_project, &ConfigProject::modifiedChanged, this, [this](bool modified) {
        if (!modified)
            return;
        m_ui.RzBitBtnSaveProject->setEnabled(true);
        setWindowTitle(windowTitle() + u" *"_s);
    });
    connect(&m_project, &ConfigProject::countsChanged, this, &TFormMain::RzListViewExpertCheckStateChange);
    connect(&m_project, &ConfigProject::groupAdded, this, &TFormMain::addGroupPage);
    connect(&m_project, &ConfigProject::groupsCleared, this, [this] {
        rebuildGroupPages();
        m_addressedGroup = m_ui.RzPageControlComp->currentIndex();
    });
    connect(&m_project, &ConfigProject::groupRemoved, this, &TFormMain::removeGroupPage);
    connect(&m_project, &ConfigProject::groupRenamed, this,
            [this](int g) { m_ui.RzPageControlComp->setTabText(g, m_project.groupName(g)); });
    connect(&m_project, &ConfigProject::activeGroupChanged, this, [this](int g) {
        if (g >= 0 && g < m_ui.RzPageControlComp->count())
            m_ui.RzPageControlComp->setCurrentIndex(g);
    });

    for (ClickLabel* l : {ui.RzLabelRunTimes, ui.RzLabelRunTimeSum, ui.RzLabelBeginTime, ui.RzLabelRunTime,
                          ui.RzLabelLastEnd, ui.RzLabelLastRunTime})
        connect(l, &ClickLabel::doubleClicked, this, &TFormMain::RzLabelRunTimesDblClick);
    for (ClickLabel* l : {ui.RzLabelProject, ui.RzLabelProjectRuns, ui.RzLabelProjectTimeSum,
                          ui.RzLabelProjectBeginTime, ui.RzLabelProjectRunTime, ui.RzLabelProjectLastTime,
                          ui.RzLabelProjectLastRun, ui.RzLabelGroupNum, ui.RzLabelCompNum, ui.RzLabelCompSel,
                          ui.RzLabelExpertNum, ui.RzLabelExpertSel, ui.RzLabelToolNum, ui.RzLabelToolSel})
        connect(l, &ClickLabel::doubleClicked, this, &TFormMain::RzLabelProjectRunsDblClick);

    connect(ui.TimerCount, &QTimer::timeout, this, &TFormMain::TimerCountTimer);
    connect(ui.TimerAnimate, &QTimer::timeout, this, &TFormMain::TimerAnimateTimer);

    // The group popup hangs on the tab bar and on the page around it: without a group there is no
    // tab bar, and the page is the only place to add the first one.
    for (QWidget* on : {static_cast<QWidget*>(ui.RzPageControlComp->tabBar()),
                        static_cast<QWidget*>(ui.RzPageControlComp), ui.TabSheetComponents}) {
        on->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(on, &QWidget::customContextMenuRequested, ui.PopupMenuGroup,
                [this, on](const QPoint& pos) { m_ui.PopupMenuGroup->popup(on->mapToGlobal(pos)); });
    }
}

QString TFormMain::productName() const
{
    return m_ui.LabelLogoName->text();
}

void TFormMain::setNoProjectCaption()
{
    setWindowTitle(u"Delphi 7 "_s + productName());
}

void TFormMain::progressBegin()
{
    ++m_busy;
    m_ui.RzProgressBar->setValue(0);
    m_ui.RzProgressBar->show();
}

void TFormMain::progressStep(int percent, const QString& text)
{
    m_ui.RzStatusPaneMsg->setText(text);
    m_ui.RzProgressBar->setValue(std::clamp(percent, 0, 100));
    QCoreApplication::processEvents();
}

void TFormMain::progressEnd()
{
    m_busy = std::max(0, m_busy - 1);
    m_ui.RzProgressBar->hide();
}

TFormMain::StartResult TFormMain::FormCreate(const QStringList& arguments)
{
    MainUi& ui = m_ui;
    const QDateTime now = Clock::current().now();

    ui.RzLabelDelphiPath->setText(m_installation.delphiRoot);
    ui.RzLabelDelphiPath->setStatusTip(m_installation.hostRoot);
    ui.LabelWindows->setText(operatingSystemReport());

    const PeVersionInfo version = readPeVersion(m_installation.delphiExeHost());
    ui.LabelDelphi->setText(ideVersionLabel(shownProductVersion(version), shownFileVersion(version)));
    if (!version.hasVersionResource || !ideVersionOk(version.productVersion)) {
        const QString text = u"Wrong Delphi version!\n\ncurrent version: "_s + shownProductVersion(version) +
                             u"\n\nneed version: 7"_s;
        Prompter::current().message(
            this, {Prompter::Icon::Error, u"Error!"_s, text, Prompter::Ok, Prompter::Ok, true});
        return StartResult::WrongVersion;
    }

    if (!openSettingsFile(m_settingsPath)) {
        Prompter::current().message(this, {Prompter::Icon::None, QString::fromUtf16(kProductName),
                                           settingsOpenErrorText(m_settingsPath), Prompter::Ok, Prompter::Ok,
                                           false});
        return StartResult::SettingsRefused;
    }
    m_settings.open(m_settingsPath);
    m_saveAtClose = true;

    try {
        m_stats.start(m_settings, now);
    } catch (const OperationError& e) {
        Prompter::error(this, e.message());
    }
    showProgramStatistics();

    const AppSettings s = readSettings(m_settings, m_installation.delphiRoot, now);
    readOptions(s);

    QString projectPath;
    if (!arguments.isEmpty()) {
        // Made absolute: the name is remembered as the last project, and a path relative to
        // today's working directory would name nothing at the next start.
        // Wine's shell passes the Windows form ("C:\...\x.vx7") when a project is opened there.
        QString first = arguments.first();
        if (first.size() >= 2 && first[0].unicode() < 128 && first[0].isLetter() && first[1] == u':')
            first = m_installation.bridge.toHost(first);
        projectPath = first.isEmpty() ? QString() : QFileInfo(first).absoluteFilePath();
    } else {
        m_project.setFileName({});
        projectPath = s.project;
    }
    // A missing file or a directory opens nothing, silently.
    if (!projectPath.isEmpty() && QFileInfo(projectPath).isFile()) {
        m_commands->LoadProject(projectPath);
    } else {
        showProjectFigures({});
        setNoProjectCaption();
    }

    setGeometry(s.left, s.top, std::max(s.width, 640), std::max(s.height, 480));
    QFont font(s.fontName);
    font.setPointSize(s.fontSize > 0 ? s.fontSize : 8);
    setFont(font);
    m_fontCharset = s.fontCharset;
    // Of the shared dialogs only the input dialog starts with the window's font; the others keep
    // their own until a font is chosen.
    m_dialogs.input.font = font;
    ui.RzLabelFont->setText(s.fontName + u", "_s + QString::number(s.fontSize));

    ui.showPage(s.page >= 0 && s.page <= int(Page::About) ? Page(s.page) : Page::Option);
    RzPageControlTabClick();

    loadLanguage(s.language);
    RzPageControlTabClick();
    m_registry->updateUndoButton();

    if (!s.storedGeometry)
        fitFirstStart();

    ui.TimerCount->start();
    ui.TimerAnimate->start();
    return StartResult::Ok;
}

void TFormMain::fitFirstStart()
{
    // Large enough that no page needs its scroll bars, as far as the screen allows; centred.
    const QList<QScrollArea*> areas = findChildren<QScrollArea*>();
    std::vector<QSize> minimums;
    for (QScrollArea* area : areas) {
        minimums.push_back(area->minimumSize());
        if (QWidget* content = area->widget()) {
            const int frame = 2 * area->frameWidth();
            area->setMinimumSize(content->sizeHint() + QSize(frame, frame));
        }
    }
    if (layout())
        layout()->activate();
    QSize wanted = sizeHint().expandedTo(QSize(640, 480));
    for (size_t i = 0; i < size_t(areas.size()); ++i)
        areas[qsizetype(i)]->setMinimumSize(minimums[i]);

    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 640, 480);
    wanted = wanted.boundedTo(available.size()).expandedTo(QSize(640, 480));
    QRect frame(QPoint(), wanted);
    frame.moveCenter(available.center());
    setGeometry(frame);
}

void TFormMain::showProgramStatistics()
{
    m_ui.RzLabelRunTimes->setText(QString::number(m_stats.runCount()));
    m_ui.RzLabelBeginTime->setText(dateTimeText(m_stats.beginTime()));
    m_ui.RzLabelLastEnd->setText(dateTimeText(m_stats.lastEnd()));
    m_ui.RzLabelLastRunTime->setText(timeText(m_stats.lastRunTimeMs()));
    m_ui.RzLabelRunTimeSum->setText(timeText(m_stats.runTimeSumMs()));
}

void TFormMain::readOptions(const AppSettings& s)
{
    MainUi& ui = m_ui;
    setEnvironment({s.win32SdkHelp, s.bde, s.bdePath, s.bordbk});
    ui.RzCheckBoxValid->setChecked(s.verifyValid);
    ui.RzCheckBoxAssociateFiles->setChecked(s.fileType);
    ui.RzCheckBoxAssociateShell->setChecked(s.explorer);
    ui.RzCheckBoxAssociate->setChecked(s.associate);
    RzCheckBoxAssociateClick();
    ui.RzCheckBoxShortcutDesktop->setChecked(s.desktop);
    ui.RzCheckBoxShortcutQuickLaunch->setChecked(s.quickLaunch);
    ui.RzCheckBoxShortcutMenu->setChecked(s.menu);
    ui.RzCheckBoxShortcutDesktopD->setChecked(s.desktopD);
    ui.RzCheckBoxShortcutQuickLaunchD->setChecked(s.quickLaunchD);
    ui.RzCheckBoxShortcutMenuD->setChecked(s.menuD);
}

AppSettings TFormMain::collectSettings(const QDateTime& now) const
{
    const MainUi& ui = m_ui;
    AppSettings s;
    const QRect g = geometry();
    s.left = g.left();
    s.top = g.top();
    s.width = g.width();
    s.height = g.height();
    s.page = int(ui.currentPage());
    s.lastEnd = now;
    s.lastRunTimeMs = m_stats.runTimeAt(now);
    s.runTimeSumMs = m_stats.runTimeSumAt(now);
    s.project = m_project.fileName();
    s.language = m_languageName;
    s.day = int(m_stats.runDays());
    s.win32SdkHelp = ui.RzLabelWinSDK->text();
    s.bdePath = ui.LabelBDEpath->text();
    s.bde = ui.RzCheckBoxBDEen->isChecked();
    s.verifyValid = ui.RzCheckBoxValid->isChecked();
    s.bordbk = ui.LabelBordbk->text();
    s.desktop = ui.RzCheckBoxShortcutDesktop->isChecked();
    s.quickLaunch = ui.RzCheckBoxShortcutQuickLaunch->isChecked();
    s.menu = ui.RzCheckBoxShortcutMenu->isChecked();
    s.desktopD = ui.RzCheckBoxShortcutDesktopD->isChecked();
    s.quickLaunchD = ui.RzCheckBoxShortcutQuickLaunchD->isChecked();
    s.menuD = ui.RzCheckBoxShortcutMenuD->isChecked();
    s.fontName = font().family();
    s.fontSize = font().pointSize();
    s.fontCharset = m_fontCharset; // Qt's fonts have no character set: the stored one goes back
    s.associate = ui.RzCheckBoxAssociate->isChecked();
    s.explorer = ui.RzCheckBoxAssociateShell->isChecked();
    s.fileType = ui.RzCheckBoxAssociateFiles->isChecked();
    return s;
}

bool TFormMain::FormCloseQuery()
{
    return m_commands->QuerySaveProject() != ProjectCommands::SaveQuery::Cancel;
}

void TFormMain::RzCheckBoxAssociateClick()
{
    const bool on = m_ui.RzCheckBoxAssociate->isChecked();
    m_ui.RzCheckBoxAssociateShell->setEnabled(on);
    m_ui.RzCheckBoxAssociateFiles->setEnabled(on);
}

void TFormMain::writeFileAssociations()
{
    const integration::AssociationChoice choice{m_ui.RzCheckBoxAssociate->isChecked(),
                                                m_ui.RzCheckBoxAssociateShell->isChecked(),
                                                m_ui.RzCheckBoxAssociateFiles->isChecked()};
    HiveRegistryStore store(m_installation.prefix());
    const QString problem = integration::writeFileAssociations(
        store, choice, desktopIdentity(), m_installation, integration::XdgFolders::forCurrentUser());
    if (!problem.isEmpty())
        Prompter::warning(this, problem);
}

void TFormMain::FormClose()
{
    const QDateTime now = Clock::current().now();
    m_settings.open(m_settingsPath);
    try {
        writeSettingsAtClose(m_settings, collectSettings(now));
    } catch (const OperationError& e) {
        Prompter::error(this, e.message());
    }
    writeFileAssociations();
    if (m_project.isOpen()) {
        try {
            m_commands->SaveProjectStatistics();
        } catch (const OperationError& e) {
            Prompter::error(this, e.message());
        }
    }
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    if (m_closed || !m_saveAtClose) {
        event->accept();
        return;
    }
    if (isBusy() || !FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    m_closed = true;
    m_ui.TimerCount->stop();
    m_ui.TimerAnimate->stop();
    event->accept();
}

bool TFormMain::event(QEvent* event)
{
    // Hints go to the message pane of the status bar, never into tooltips.
    if (event->type() == QEvent::StatusTip) {
        QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        // The pointer left a control with a hint: the place it is over now shows its own, which is
        // the hint of the nearest enclosing control that has one, in the end the window's.
        if (tip.isEmpty())
            tip = hintAt(QApplication::widgetAt(QCursor::pos()));
        m_ui.RzStatusPaneMsg->setText(tip);
        return true;
    }
    if (event->type() == QEvent::ToolTip)
        return true;
    return QMainWindow::event(event);
}

QString TFormMain::hintAt(const QWidget* widget) const
{
    for (const QWidget* w = widget; w && w != this; w = w->parentWidget()) {
        if (w->window() != this)
            break;
        if (!w->statusTip().isEmpty())
            return w->statusTip();
    }
    return statusTip();
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    // No tooltips anywhere in the window, list cells and headers included: hints go to the pane.
    if (event->type() == QEvent::ToolTip) {
        if (auto* w = qobject_cast<QWidget*>(watched); w && w->window() == this)
            return true;
    }
    if (watched == m_ui.RzPageControlComp->tabBar() && event->type() == QEvent::MouseButtonPress)
        RzPageControlCompMouseDown(static_cast<QMouseEvent*>(event)->position().toPoint());
    // A press on the strip beside the tabs (or on the empty page) addresses no group.
    // (A press on a tab that the tab bar passes on to its page control is the tab's.)
    if (watched == m_ui.RzPageControlComp && event->type() == QEvent::MouseButtonPress &&
        !m_ui.RzPageControlComp->tabBar()->geometry().contains(
            static_cast<QMouseEvent*>(event)->position().toPoint()))
        m_addressedGroup = -1;
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::RzPageControlCompMouseDown(const QPoint& pos)
{
    m_addressedGroup = m_ui.RzPageControlComp->tabBar()->tabAt(pos);
}

void TFormMain::RzListViewExpertCheckStateChange()
{
    RzPageControlTabClick();
}

void TFormMain::RzPageControlTabClick()
{
    MainUi& ui = m_ui;
    QTabWidget* pages = ui.RzPageControl;
    const QString selected = ui.LabelCompSel->text();
    switch (ui.currentPage()) {
    case Page::Experts:
        ui.RzStatusPane1->setText(tabCaption(pages, ui.TabSheetExperts) + u": "_s +
                                  QString::number(m_project.experts().count()));
        ui.RzStatusPane2->setText(selected + u": "_s + QString::number(m_project.experts().selectedCount()));
        break;
    case Page::Components: {
        const int g = ui.RzPageControlComp->currentIndex();
        if (g < 0 || g >= m_project.groupCount()) {
            // No group shown: no components, rather than the counts of the page shown before.
            ui.RzStatusPane1->setText(tabCaption(pages, ui.TabSheetComponents) + u": 0"_s);
            ui.RzStatusPane2->setText(selected + u": 0"_s);
            break;
        }
        const ComponentListModel& list = m_project.group(g);
        ui.RzStatusPane1->setText(tabCaption(pages, ui.TabSheetComponents) + u'[' +
                                  ui.RzPageControlComp->tabText(g) + u"]: "_s +
                                  QString::number(list.count()));
        ui.RzStatusPane2->setText(selected + u": "_s + QString::number(list.selectedCount()));
        break;
    }
    case Page::Tools:
        ui.RzStatusPane1->setText(tabCaption(pages, ui.TabSheetTool) + u": "_s +
                                  QString::number(m_project.tools().count()));
        ui.RzStatusPane2->setText(selected + u": "_s + QString::number(m_project.tools().selectedCount()));
        break;
    case Page::Projects:
        ui.RzLabelGroupNum->setText(QString::number(m_project.groupCount()));
        ui.RzLabelExpertNum->setText(QString::number(m_project.experts().count()));
        ui.RzLabelToolNum->setText(QString::number(m_project.tools().count()));
        ui.RzLabelExpertSel->setText(QString::number(m_project.experts().selectedCount()));
        ui.RzLabelToolSel->setText(QString::number(m_project.tools().selectedCount()));
        ui.RzLabelCompNum->setText(QString::number(m_project.componentCount()));
        ui.RzLabelCompSel->setText(QString::number(m_project.selectedComponentCount()));
        break;
    case Page::About:
        ui.LabelMemory->setText(memoryReport());
        break;
    case Page::Option:
        break;
    }
}

void TFormMain::TimerCountTimer()
{
    const UsageStatistics::Tick t = m_stats.tick(Clock::current().now(), &m_project, uiText(UiText::Day));
    if (t.skipped)
        return;
    const QList<QIcon> icons = iconFrames();
    if (icons.size() >= 3) {
        setWindowIcon(icons[t.windowIconFrame]);
        QApplication::setWindowIcon(icons[t.appIconFrame]);
    }
    m_ui.RzLabelRunTime->setText(t.runTime);
    m_ui.RzLabelRunTimeSum->setText(t.runTimeSum);
    if (t.project) {
        m_ui.RzLabelProjectRunTime->setText(t.projectRunTime);
        m_ui.RzLabelProjectTimeSum->setText(t.projectTimeSum);
    }
}

void TFormMain::TimerAnimateTimer()
{
    ++m_animateTicks;
    Animator* a = m_ui.RzAnimator;
    const int current = a->frameIndex();
    a->setFrames(m_animateTicks % 2 == 1 ? animateFramesAlt() : animateFrames());
    a->setFrameIndex(a->frameCount() - current);
}

void TFormMain::RzLabelRunTimesDblClick()
{
    if (!Prompter::askYesNo(this, uiText(UiText::MsgClearStat), uiText(UiText::Warn)))
        return;
    const QDateTime now = Clock::current().now();
    try {
        m_stats.clearProgram(m_settings, now);
    } catch (const OperationError& e) {
        // Nothing was cleared: the labels keep the figures still in effect.
        Prompter::error(this, e.message());
        return;
    }
    m_ui.RzLabelRunTimes->setText(u"0"_s);
    m_ui.RzLabelBeginTime->setText(dateTimeText(now));
    m_ui.RzLabelLastEnd->setText(dateTimeText(now));
    m_ui.RzLabelLastRunTime->setText(u"0:00:00"_s);
}

void TFormMain::RzLabelProjectRunsDblClick()
{
    if (!Prompter::askYesNo(this, uiText(UiText::MsgClearProjectStat), uiText(UiText::Warn)))
        return;
    const QDateTime now = Clock::current().now();
    m_stats.clearProject(m_project, now);
    m_ui.RzLabelProjectRuns->setText(u"0"_s);
    m_ui.RzLabelProjectBeginTime->setText(dateTimeText(now));
}

void TFormMain::storeListLayouts()
{
    m_ui.RzListViewExpert->storeColumnWidths();
    m_ui.RzListViewTool->storeColumnWidths();
    for (auto* list : m_ui.RzPageControlComp->findChildren<EntryListView*>())
        list->storeColumnWidths();
}

void TFormMain::addGroupPage(int group)
{
    const int number = group + 1;
    auto* sheet = new QWidget;
    sheet->setObjectName(u"TabComp"_s + QString::number(number));
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* list = new EntryListView(sheet);
    list->setObjectName(u"ListViewComp"_s + QString::number(number));
    layout->addWidget(list);
    ComponentListModel& model = m_project.group(group);
    model.setHeaders({tabCaption(m_ui.RzPageControl, m_ui.TabSheetComponents), uiText(UiText::CompFile),
                      uiText(UiText::IncludePath),
                      m_project.experts().headerData(2, Qt::Horizontal).toString()});
    list->setEntryModel(&model);
    connectListKeys(list, m_ui.PopupMenuComp);
    connect(list, &EntryListView::mouseDown, this, [this, list](int x) {
        if (auto* m = qobject_cast<ComponentListModel*>(list->entryModel()))
            m_editing->groups.componentMouseDown(*m, x);
    });
    QSignalBlocker block(m_ui.RzPageControlComp);
    m_ui.RzPageControlComp->insertTab(group, sheet, m_project.groupName(group));
}

void TFormMain::rebuildGroupPages()
{
    {
        QSignalBlocker block(m_ui.RzPageControlComp);
        while (m_ui.RzPageControlComp->count() > 0)
            delete m_ui.RzPageControlComp->widget(0);
    }
    for (int g = 0; g < m_project.groupCount(); ++g)
        addGroupPage(g);
    if (m_project.activeGroup() >= 0)
        m_ui.RzPageControlComp->setCurrentIndex(m_project.activeGroup());
}

void TFormMain::loadLanguage(const QString& name)
{
    m_languageName = name;
    m_languageTexts = vx::loadLanguage(languageFolders(), name);
    applyLanguageTexts(m_languageTexts);
    m_ui.RzLabelLang->setText(name);
    // The folder dialog is titled in the language from here on.
    m_dialogs.folder.title = uiText(UiText::IncludePath);
}

QStringList TFormMain::languageFolders() const
{
    return m_languageFolders.isEmpty() ? QStringList{m_installation.hostRoot} : m_languageFolders;
}

void TFormMain::applyLanguageTexts(const LanguageTexts& texts)
{
    const auto setColumns = [](EntryListModel* model, const std::map<int, QString>& columns) {
        if (!model)
            return;
        QStringList headers;
        for (int c = 0; c < model->columnCount(); ++c)
            headers.append(model->headerData(c, Qt::Horizontal).toString());
        for (const auto& [column, text] : columns) {
            if (column >= 1 && column <= headers.size())
                headers[column - 1] = text;
        }
        model->setHeaders(headers);
    };

    for (const auto& [name, ct] : texts.controls) {
        if (ct.kind == ControlKind::MenuItem) {
            if (auto* a = findChild<QAction*>(name)) {
                if (ct.caption)
                    a->setText(*ct.caption);
                if (ct.hint)
                    a->setStatusTip(*ct.hint);
            }
            continue;
        }
        QWidget* w = findChild<QWidget*>(name);
        if (!w)
            continue;
        if (ct.caption) {
            if (ct.kind == ControlKind::Page) {
                const int index = m_ui.RzPageControl->indexOf(w);
                if (index >= 0)
                    m_ui.RzPageControl->setTabText(index, *ct.caption);
            } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                b->setText(*ct.caption);
            } else if (auto* l = qobject_cast<QLabel*>(w)) {
                l->setText(*ct.caption);
            } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
                g->setTitle(*ct.caption);
            }
        }
        if (ct.hint)
            w->setStatusTip(*ct.hint);
        if (!ct.columns.empty()) {
            if (auto* v = qobject_cast<EntryListView*>(w))
                setColumns(v->entryModel(), ct.columns);
        }
    }
    // Every text of a language is final (a missing key gave its English default), so an empty one
    // is meant: it empties the caption of the lists and menus that exist as well.
    std::map<int, QString> groupColumns;
    for (int c = 0; c < 4; ++c)
        groupColumns[c + 1] = texts.groupListColumns[size_t(c)];
    for (int g = 0; g < m_project.groupCount(); ++g)
        setColumns(&m_project.group(g), groupColumns);
    m_ui.popGroupMenu->setText(texts.groupMenuCaption);
    m_ui.RzAnimatorT->setFrames(tipFrames(texts.chinese));
    m_ui.RzLabelDelphiPath->setStatusTip(m_installation.hostRoot);
    setStatusTip(texts.mainWindowHint);
    // The caption names the product, which the language may have renamed.
    if (!m_project.isOpen())
        setNoProjectCaption();
}

} // namespace vx::app
