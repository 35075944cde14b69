#include "app/MainUi.h"

#include "app/Animator.h"
#include "app/EntryListView.h"
#include "app/Images.h"
#include "platform/Version.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMouseEvent>
#include <QScrollArea>
#include <QStatusBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vx::app {

void ClickLabel::mouseDoubleClickEvent(QMouseEvent* e)
{
    Q_EMIT doubleClicked();
    QLabel::mouseDoubleClickEvent(e);
}

void ClickLabel::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        Q_EMIT clicked();
    QLabel::mousePressEvent(e);
}

StatusPane::StatusPane(QWidget* parent) : QLabel(parent)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    setMargin(2);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
}

void StatusPane::enterEvent(QEnterEvent* e)
{
    setBackgroundRole(QPalette::Base);
    QLabel::enterEvent(e);
}

void StatusPane::leaveEvent(QEvent* e)
{
    setBackgroundRole(QPalette::Button);
    QLabel::leaveEvent(e);
}

namespace {

template <typename W, typename... Args> W* make(const QString& name, QWidget* parent, Args&&... args)
{
    W* w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(name);
    return w;
}

QPushButton* button(const QString& name, const QString& text, int image, QWidget* parent)
{
    auto* b = make<QPushButton>(name, parent, text);
    if (image >= 0)
        b->setIcon(mainImage(image));
    return b;
}

QAction* action(QMenu* menu, const QString& name, const QString& text, int image = -1)
{
    QAction* a = menu->addAction(text);
    a->setObjectName(name);
    if (image >= 0)
        a->setIcon(mainImage(image));
    return a;
}

// A caption label and its value label on one row of a form.
ClickLabel* valueRow(QFormLayout* form, const QString& captionName, const QString& caption,
                     const QString& valueName, QLabel** captionOut = nullptr)
{
    QWidget* parent = form->parentWidget();
    auto* c = make<QLabel>(captionName, parent, caption);
    auto* v = make<ClickLabel>(valueName, parent);
    v->setTextInteractionFlags(Qt::TextSelectableByMouse);
    v->setMinimumWidth(120);
    form->addRow(c, v);
    if (captionOut)
        *captionOut = c;
    return v;
}

void buildExpertsPage(MainUi& ui)
{
    auto* layout = new QVBoxLayout(ui.TabSheetExperts);
    layout->setContentsMargins(0, 0, 0, 0);
    ui.RzListViewExpert = make<EntryListView>(u"RzListViewExpert"_s, ui.TabSheetExperts);
    layout->addWidget(ui.RzListViewExpert);
    ui.PopupMenuExpert = make<QMenu>(u"PopupMenuExpert"_s, ui.RzListViewExpert);
    action(ui.PopupMenuExpert, u"popAddExpert"_s, u"&Add"_s, ImgAdd);
    action(ui.PopupMenuExpert, u"popDelExpert"_s, u"&Del"_s, ImgDelete);
    action(ui.PopupMenuExpert, u"popModifyExpert"_s, u"&Modify"_s, ImgModify);
    ui.PopupMenuExpert->addSeparator();
    action(ui.PopupMenuExpert, u"popSelAllExpert"_s, u"&Select All"_s, ImgCheckAll);
    action(ui.PopupMenuExpert, u"popunSelAllExpert"_s, u"&unSelect All"_s, ImgUncheckAll);
}

void buildComponentsPage(MainUi& ui)
{
    auto* layout = new QVBoxLayout(ui.TabSheetComponents);
    layout->setContentsMargins(0, 0, 0, 0);
    ui.RzPageControlComp = make<QTabWidget>(u"RzPageControlComp"_s, ui.TabSheetComponents);
    ui.RzPageControlComp->setTabPosition(QTabWidget::South);
    ui.RzPageControlComp->setTabShape(QTabWidget::Triangular);
    ui.RzPageControlComp->setDocumentMode(true);
    layout->addWidget(ui.RzPageControlComp);

    ui.PopupMenuGroup = make<QMenu>(u"PopupMenuGroup"_s, ui.RzPageControlComp);
    action(ui.PopupMenuGroup, u"popAddGroup"_s, u"&Add"_s, ImgAdd);
    action(ui.PopupMenuGroup, u"popDelGroup"_s, u"&Del"_s, ImgDelete);
    action(ui.PopupMenuGroup, u"popModifyGroup"_s, u"&Rename"_s, ImgRename);
    ui.PopupMenuGroup->addSeparator();
    action(ui.PopupMenuGroup, u"popSelAllGrp"_s, u"&Select All Group"_s, ImgCheckAll);
    action(ui.PopupMenuGroup, u"popunSelAllGrp"_s, u"&unSelect All Group"_s, ImgUncheckAll);

    ui.PopupMenuComp = make<QMenu>(u"PopupMenuComp"_s, ui.RzPageControlComp);
    action(ui.PopupMenuComp, u"popAddComp"_s, u"&Add Component"_s, ImgAdd);
    action(ui.PopupMenuComp, u"popDelComp"_s, u"&Del Component"_s, ImgDelete);
    action(ui.PopupMenuComp, u"popModifyComp"_s, u"&Modify Component"_s, ImgModify);
    ui.PopupMenuComp->addSeparator();
    action(ui.PopupMenuComp, u"popSelAllComp"_s, u"&Select All Component"_s, ImgCheckAll);
    action(ui.PopupMenuComp, u"popunSelAllComp"_s, u"&unSelect All Component"_s, ImgUncheckAll);
    ui.PopupMenuComp->addSeparator();
    // The group menu as a submenu; a language captions it as LabelGroupNum.
    ui.popGroupMenu = ui.PopupMenuComp->addMenu(ui.PopupMenuGroup);
    ui.popGroupMenu->setObjectName(u"popGroupMenu"_s);
    ui.popGroupMenu->setText(u"Group"_s);
    ui.popGroupMenu->setIcon(mainImage(ImgGroup));
}

void buildToolsPage(MainUi& ui)
{
    auto* layout = new QVBoxLayout(ui.TabSheetTool);
    layout->setContentsMargins(0, 0, 0, 0);
    ui.RzListViewTool = make<EntryListView>(u"RzListViewTool"_s, ui.TabSheetTool);
    layout->addWidget(ui.RzListViewTool);
    ui.PopupMenuTool = make<QMenu>(u"PopupMenuTool"_s, ui.RzListViewTool);
    action(ui.PopupMenuTool, u"popAddTool"_s, u"&Add"_s, ImgAdd);
    action(ui.PopupMenuTool, u"popDelTool"_s, u"&Del"_s, ImgDelete);
    action(ui.PopupMenuTool, u"popModifyTool"_s, u"&Modify"_s, ImgModify);
    ui.PopupMenuTool->addSeparator();
    action(ui.PopupMenuTool, u"popSelAllTool"_s, u"&Select All"_s, ImgCheckAll);
    action(ui.PopupMenuTool, u"popunSelAllTool"_s, u"&unSelect All"_s, ImgUncheckAll);
}

void buildProjectsPage(MainUi& ui)
{
    QWidget* page = ui.TabSheetProjects;
    auto* outer = new QHBoxLayout(page);

    auto* stats = new QGroupBox(page);
    auto* statsForm = new QFormLayout(stats);
    ui.RzLabelProject = valueRow(statsForm, u"LabelProject"_s, u"Project:"_s, u"RzLabelProject"_s);
    ui.RzLabelProject->setText(u"None"_s);
    ui.RzLabelProject->setWordWrap(true);
    ui.RzLabelProjectRuns =
        valueRow(statsForm, u"LabelProjectRuns"_s, u"Total Run Count"_s, u"RzLabelProjectRuns"_s);
    ui.RzLabelProjectTimeSum =
        valueRow(statsForm, u"LabelProjectTimeSum"_s, u"Total Run Times"_s, u"RzLabelProjectTimeSum"_s);
    ui.RzLabelProjectBeginTime =
        valueRow(statsForm, u"LabelProjectBeginTime"_s, u"Begin Time"_s, u"RzLabelProjectBeginTime"_s);
    ui.RzLabelProjectRunTime =
        valueRow(statsForm, u"LabelProjectRunTime"_s, u"Pass Time"_s, u"RzLabelProjectRunTime"_s);
    ui.RzLabelProjectLastTime =
        valueRow(statsForm, u"LabelProjectLastTime"_s, u"Last End Time"_s, u"RzLabelProjectLastTime"_s);
    ui.RzLabelProjectLastRun =
        valueRow(statsForm, u"LabelProjectLastRun"_s, u"Last Run Time"_s, u"RzLabelProjectLastRun"_s);

    auto* counts = new QGroupBox(page);
    auto* countForm = new QFormLayout(counts);
    ui.RzLabelGroupNum =
        valueRow(countForm, u"LabelGroupNum"_s, u"Group"_s, u"RzLabelGroupNum"_s, &ui.LabelGroupNum);
    ui.RzLabelCompNum = valueRow(countForm, u"LabelCompNum"_s, u"Component"_s, u"RzLabelCompNum"_s);
    ui.RzLabelCompSel =
        valueRow(countForm, u"LabelCompSel"_s, u"Selected"_s, u"RzLabelCompSel"_s, &ui.LabelCompSel);
    ui.RzLabelExpertNum = valueRow(countForm, u"LabelExpertNum"_s, u"Expert"_s, u"RzLabelExpertNum"_s);
    ui.RzLabelExpertSel = valueRow(countForm, u"LabelExpertSel"_s, u"Selected"_s, u"RzLabelExpertSel"_s);
    ui.RzLabelToolNum = valueRow(countForm, u"LabelToolNum"_s, u"Tool"_s, u"RzLabelToolNum"_s);
    ui.RzLabelToolSel = valueRow(countForm, u"LabelToolSel"_s, u"Selected"_s, u"RzLabelToolSel"_s);

    auto* left = new QVBoxLayout;
    left->addWidget(stats);
    left->addWidget(counts);
    left->addStretch();
    outer->addLayout(left, 1);

    auto* buttons = new QVBoxLayout;
    ui.RzBitBtnNewProject = button(u"RzBitBtnNewProject"_s, u"New Project"_s, ImgNew, page);
    ui.RzBitBtnOpenProject = button(u"RzBitBtnOpenProject"_s, u"Open Project"_s, ImgOpen, page);
    ui.RzBitBtnSaveProject = button(u"RzBitBtnSaveProject"_s, u"Save Project"_s, ImgSave, page);
    ui.RzBitBtnSaveProjectAs = button(u"RzBitBtnSaveProjectAs"_s, u"Save as"_s, ImgSaveAs, page);
    ui.RzBitBtnCloseProject = button(u"RzBitBtnCloseProject"_s, u"Close Project"_s, ImgClose, page);
    ui.RzBitBtnDelphi7Project = button(u"RzBitBtnDelphi7Project"_s, u"Get Delphi"_s, ImgCapture, page);
    ui.RzBitBtnApplyProject = button(u"RzBitBtnApplyProject"_s, u"Apply Project"_s, ImgApply, page);
    ui.RzBitBtnLaunch = button(u"RzBitBtnLaunch"_s, u"Launch Delphi"_s, ImgLaunch, page);
    ui.RzBitBtnCheckProject = button(u"RzBitBtnCheckProject"_s, u"Check"_s, ImgCheckAll, page);
    for (QPushButton* b : {ui.RzBitBtnNewProject, ui.RzBitBtnOpenProject, ui.RzBitBtnSaveProject,
                           ui.RzBitBtnSaveProjectAs, ui.RzBitBtnCloseProject})
        buttons->addWidget(b);
    buttons->addSpacing(16);
    for (QPushButton* b : {ui.RzBitBtnDelphi7Project, ui.RzBitBtnApplyProject, ui.RzBitBtnLaunch})
        buttons->addWidget(b);
    buttons->addSpacing(16);
    buttons->addWidget(ui.RzBitBtnCheckProject);
    buttons->addStretch();
    outer->addLayout(buttons);
    ui.RzBitBtnSaveProject->setEnabled(false);
    ui.RzBitBtnCloseProject->setEnabled(false);
}

// The page's content inside a scroll area, so that nothing is squeezed at the window's minimum size.
QWidget* scrolledContent(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* area = new QScrollArea(page);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(area);
    area->setWidget(content);
    layout->addWidget(area);
    return content;
}

QToolButton* toolButton(const QString& name, int image, QWidget* parent)
{
    auto* b = make<QToolButton>(name, parent);
    b->setIcon(mainImage(image));
    b->setAutoRaise(true);
    return b;
}

void buildOptionPage(MainUi& ui)
{
    QWidget* page = scrolledContent(ui.TabSheetOption);
    auto* grid = new QGridLayout(page);

    auto* path = make<QGroupBox>(u"RzGroupBoxPath"_s, page, u"Path"_s);
    auto* pg = new QGridLayout(path);
    pg->addWidget(make<QLabel>(u"LabelDelphiPath"_s, path, u"Delphi:"_s), 0, 0);
    ui.RzLabelDelphiPath = make<QLabel>(u"RzLabelDelphiPath"_s, path);
    pg->addWidget(ui.RzLabelDelphiPath, 0, 1, 1, 2);
    pg->addWidget(make<QLabel>(u"LabelDefaultSearchPath"_s, path, u"Default Search Path"_s), 1, 0, 1, 3);
    ui.RzListViewSearchPath = make<QListView>(u"RzListViewSearchPath"_s, path);
    ui.RzListViewSearchPath->setIconSize(QSize(16, 16));
    ui.RzListViewSearchPath->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pg->addWidget(ui.RzListViewSearchPath, 2, 0, 3, 2);
    // Captioned like the Tools menu's items (a language file sets them the same way), icon beside.
    ui.RzRapidFireButtonAddPath = toolButton(u"RzRapidFireButtonAddPath"_s, ImgAdd, path);
    ui.RzRapidFireButtonModifyPath = toolButton(u"RzRapidFireButtonModifyPath"_s, ImgModify, path);
    ui.RzRapidFireButtonDelPath = toolButton(u"RzRapidFireButtonDelPath"_s, ImgDelete, path);
    const std::pair<QToolButton*, QString> captions[] = {{ui.RzRapidFireButtonAddPath, u"&Add"_s},
                                                         {ui.RzRapidFireButtonModifyPath, u"&Modify"_s},
                                                         {ui.RzRapidFireButtonDelPath, u"&Del"_s}};
    for (const auto& [button, caption] : captions) {
        button->setText(caption);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    }
    pg->addWidget(ui.RzRapidFireButtonAddPath, 2, 2);
    pg->addWidget(ui.RzRapidFireButtonModifyPath, 3, 2);
    pg->addWidget(ui.RzRapidFireButtonDelPath, 4, 2);
    pg->addWidget(make<QLabel>(u"LabelWinSDK"_s, path, u"Win32 SDK Help:"_s), 5, 0);
    ui.RzLabelWinSDK = make<QLabel>(u"RzLabelWinSDK"_s, path);
    pg->addWidget(ui.RzLabelWinSDK, 5, 1);
    ui.RzButtonWinSDK = button(u"RzButtonWinSDK"_s, u"Win32 SDK"_s, ImgFolder, path);
    pg->addWidget(ui.RzButtonWinSDK, 5, 2);
    ui.RzCheckBoxBDEen = make<QCheckBox>(u"RzCheckBoxBDEen"_s, path, u"BDE:"_s);
    pg->addWidget(ui.RzCheckBoxBDEen, 6, 0);
    ui.LabelBDEpath = make<QLabel>(u"LabelBDEpath"_s, path);
    pg->addWidget(ui.LabelBDEpath, 6, 1);
    ui.RzButtonBDEpath = button(u"RzButtonBDEpath"_s, u"..."_s, ImgFolder, path);
    pg->addWidget(ui.RzButtonBDEpath, 6, 2);
    pg->addWidget(make<QLabel>(u"LabelBordbkCaption"_s, path, u"Debugger:"_s), 7, 0);
    ui.LabelBordbk = make<QLabel>(u"LabelBordbk"_s, path);
    pg->addWidget(ui.LabelBordbk, 7, 1);
    ui.RzBitBtnBordbk = button(u"RzBitBtnBordbk"_s, u"Bordbk70"_s, ImgFolder, path);
    pg->addWidget(ui.RzBitBtnBordbk, 7, 2);
    pg->setColumnStretch(1, 1);
    for (QLabel* l : {ui.RzLabelDelphiPath, ui.RzLabelWinSDK, ui.LabelBDEpath, ui.LabelBordbk}) {
        // Long paths must not widen the page; the whole path is in the label's hint.
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        l->setMinimumWidth(80);
    }

    auto* option = make<QGroupBox>(u"RzGroupBoxOption"_s, page, u"Option"_s);
    auto* og = new QGridLayout(option);
    ui.RzLabelLang = make<ClickLabel>(u"RzLabelLang"_s, option, u"English"_s);
    ui.RzButtonLang = button(u"RzButtonLang"_s, u"Language"_s, ImgLanguage, option);
    og->addWidget(ui.RzLabelLang, 0, 0);
    og->addWidget(ui.RzButtonLang, 0, 1);
    ui.RzLabelFont = make<ClickLabel>(u"RzLabelFont"_s, option);
    ui.RzBitBtnFont = button(u"RzBitBtnFont"_s, u"Font"_s, ImgFont, option);
    og->addWidget(ui.RzLabelFont, 1, 0);
    og->addWidget(ui.RzBitBtnFont, 1, 1);
    og->addWidget(make<QLabel>(u"LabelBordbkDll"_s, option, u"Bordbk70.dll"_s), 2, 0);
    ui.RzButtonRegDebug = button(u"RzButtonRegDebug"_s, u"Register"_s, ImgDebug, option);
    og->addWidget(ui.RzButtonRegDebug, 2, 1);
    ui.RzBitBtnCopyFiles = button(u"RzBitBtnCopyFiles"_s, u"Copy BPLs"_s, ImgCopy, option);
    og->addWidget(ui.RzBitBtnCopyFiles, 3, 0, 1, 2);
    ui.RzCheckBoxValid = make<QCheckBox>(u"RzCheckBoxValid"_s, option, u"verify files valid"_s);
    og->addWidget(ui.RzCheckBoxValid, 4, 0, 1, 2);

    auto* reg = make<QGroupBox>(u"RzGroupBoxReg"_s, page, u"Delphi's Registry"_s);
    auto* rg = new QGridLayout(reg);
    ui.RzBitBtnRecover = button(u"RzBitBtnRecover"_s, u"Recover Delphi Default"_s, ImgRecover, reg);
    ui.RzBitBtnImportReg = button(u"RzBitBtnImportReg"_s, u"Import Delphi Registry"_s, ImgImport, reg);
    ui.RzBitBtnBackupReg = button(u"RzBitBtnBackupReg"_s, u"Backup Delphi Registry"_s, ImgBackup, reg);
    ui.RzBitBtnClearReg = button(u"RzBitBtnClearReg"_s, u"Delete Delphi Registry"_s, ImgClear, reg);
    rg->addWidget(ui.RzBitBtnRecover, 0, 0);
    rg->addWidget(ui.RzBitBtnImportReg, 0, 1);
    rg->addWidget(ui.RzBitBtnBackupReg, 1, 0);
    rg->addWidget(ui.RzBitBtnClearReg, 1, 1);
    ui.RzBitBtnUndoReg = button(u"RzBitBtnUndoReg"_s, u"Undo last registry change"_s, ImgRecover, reg);
    rg->addWidget(ui.RzBitBtnUndoReg, 2, 0, 1, 2);

    auto* assoc = make<QGroupBox>(u"RzGroupBoxAssociate"_s, page, u"Associate"_s);
    auto* ag = new QVBoxLayout(assoc);
    ui.RzCheckBoxAssociate = make<QCheckBox>(u"RzCheckBoxAssociate"_s, assoc, u"Enable Associate"_s);
    ui.RzCheckBoxAssociateShell =
        make<QCheckBox>(u"RzCheckBoxAssociateShell"_s, assoc, u"Associate Explorer"_s);
    ui.RzCheckBoxAssociateFiles =
        make<QCheckBox>(u"RzCheckBoxAssociateFiles"_s, assoc, u"Associate FileType"_s);
    ag->addWidget(ui.RzCheckBoxAssociate);
    ag->addWidget(ui.RzCheckBoxAssociateShell);
    ag->addWidget(ui.RzCheckBoxAssociateFiles);

    auto* shortcut = make<QGroupBox>(u"RzGroupBoxShortCut"_s, page, u"Shortcut"_s);
    auto* sg = new QGridLayout(shortcut);
    sg->addWidget(new QLabel(u"Delphi7"_s, shortcut), 0, 0);
    sg->addWidget(new QLabel(u"Delphi7 Vorlix"_s, shortcut), 1, 0);
    ui.RzCheckBoxShortcutDesktop = make<QCheckBox>(u"RzCheckBoxShortcutDesktop"_s, shortcut, u"Desktop"_s);
    ui.RzCheckBoxShortcutQuickLaunch =
        make<QCheckBox>(u"RzCheckBoxShortcutQuickLaunch"_s, shortcut, u"Quick Launch"_s);
    ui.RzCheckBoxShortcutMenu = make<QCheckBox>(u"RzCheckBoxShortcutMenu"_s, shortcut, u"Menu"_s);
    ui.RzCheckBoxShortcutDesktopD = make<QCheckBox>(u"RzCheckBoxShortcutDesktopD"_s, shortcut, u"Desktop"_s);
    ui.RzCheckBoxShortcutQuickLaunchD =
        make<QCheckBox>(u"RzCheckBoxShortcutQuickLaunchD"_s, shortcut, u"Quick Launch"_s);
    ui.RzCheckBoxShortcutMenuD = make<QCheckBox>(u"RzCheckBoxShortcutMenuD"_s, shortcut, u"Menu"_s);
    sg->addWidget(ui.RzCheckBoxShortcutDesktop, 0, 1);
    sg->addWidget(ui.RzCheckBoxShortcutQuickLaunch, 0, 2);
    sg->addWidget(ui.RzCheckBoxShortcutMenu, 0, 3);
    sg->addWidget(ui.RzCheckBoxShortcutDesktopD, 1, 1);
    sg->addWidget(ui.RzCheckBoxShortcutQuickLaunchD, 1, 2);
    sg->addWidget(ui.RzCheckBoxShortcutMenuD, 1, 3);
    ui.RzButtonShortcut = button(u"RzButtonShortcut"_s, u"Create"_s, ImgShortcut, shortcut);
    ui.RzBitBtnDelShortcut = button(u"RzBitBtnDelShortcut"_s, u"Delete"_s, ImgDelete, shortcut);
    sg->addWidget(ui.RzButtonShortcut, 0, 4);
    sg->addWidget(ui.RzBitBtnDelShortcut, 1, 4);

    ui.RzAnimatorT = make<Animator>(u"RzAnimatorT"_s, page);
    ui.RzAnimatorT->setInterval(2000);

    grid->addWidget(path, 0, 0, 2, 1);
    grid->addWidget(option, 0, 1);
    grid->addWidget(reg, 1, 1);
    grid->addWidget(shortcut, 2, 0);
    grid->addWidget(assoc, 2, 1);
    grid->addWidget(ui.RzAnimatorT, 3, 0, 1, 2, Qt::AlignCenter);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
}

void buildAboutPage(MainUi& ui)
{
    QWidget* page = scrolledContent(ui.TabSheetAbout);
    auto* outer = new QHBoxLayout(page);
    auto* logoBox = new QWidget(page);
    logoBox->setFixedSize(186, 320);
    ui.ImageLogo = make<QLabel>(u"ImageLogo"_s, logoBox);
    ui.ImageLogo->setPixmap(logoPicture());
    ui.ImageLogo->setGeometry(9, 9, 177, 302);
    ui.ImageEgg = make<QLabel>(u"ImageEgg"_s, logoBox);
    ui.ImageEgg->setPixmap(eggPicture());
    ui.ImageEgg->setAttribute(Qt::WA_TranslucentBackground);
    ui.ImageEgg->setGeometry(45, 5, 100, 69);
    ui.ImageEgg->hide();
    outer->addWidget(logoBox, 0, Qt::AlignTop);

    auto* right = new QVBoxLayout;
    auto* titleRow = new QHBoxLayout;
    ui.LabelLogoName = make<QLabel>(u"LabelLogoName"_s, page, u"Vorlix"_s);
    QFont big = ui.LabelLogoName->font();
    big.setPointSizeF(big.pointSizeF() * 2.2);
    big.setBold(true);
    ui.LabelLogoName->setFont(big);
    titleRow->addWidget(ui.LabelLogoName);
    auto* maker = make<QLabel>(u"ImageBorland"_s, page);
    maker->setPixmap(makerLogo());
    titleRow->addStretch();
    titleRow->addWidget(maker);
    right->addLayout(titleRow);
    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(
        make<QLabel>(u"Label3"_s, page, u"Version "_s + QLatin1StringView(kVersion) + u".0  for"_s));
    auto* d7 = make<QLabel>(u"RzLabel2"_s, page, u"Delphi7"_s);
    d7->setStyleSheet(u"color: #1040c0; font-weight: bold;"_s);
    versionRow->addWidget(d7);
    versionRow->addStretch();
    right->addLayout(versionRow);

    auto* panel = make<QFrame>(u"Panel1"_s, page);
    panel->setFrameShape(QFrame::StyledPanel);
    auto* pl = new QVBoxLayout(panel);
    ui.Labelshow = make<QLabel>(u"Labelshow"_s, panel);
    ui.Labelshow->setWordWrap(true);
    pl->addWidget(ui.Labelshow);
    right->addWidget(panel);

    auto* stats = new QFormLayout;
    auto* statsHost = new QWidget(page);
    statsHost->setLayout(stats);
    ui.RzLabelRunTimes = valueRow(stats, u"LabelRunTimes"_s, u"Run Times"_s, u"RzLabelRunTimes"_s);
    ui.RzLabelRunTimeSum = valueRow(stats, u"LabelRunTimeSum"_s, u"Total Run Time"_s, u"RzLabelRunTimeSum"_s);
    ui.RzLabelBeginTime = valueRow(stats, u"LabelBeginTime"_s, u"Begin Time"_s, u"RzLabelBeginTime"_s);
    ui.RzLabelRunTime = valueRow(stats, u"LabelRunTime"_s, u"Pass Time"_s, u"RzLabelRunTime"_s);
    ui.RzLabelLastEnd = valueRow(stats, u"LabelLastEnd"_s, u"Last End Time"_s, u"RzLabelLastEnd"_s);
    ui.RzLabelLastRunTime =
        valueRow(stats, u"LabelLastRunTime"_s, u"Last Run Time"_s, u"RzLabelLastRunTime"_s);
    auto* mid = new QHBoxLayout;
    mid->addWidget(statsHost, 1);
    ui.RzAnimator = make<Animator>(u"RzAnimator"_s, page);
    ui.RzAnimator->setInterval(100);
    ui.RzAnimator->setFixedSize(72, 72);
    mid->addWidget(ui.RzAnimator, 0, Qt::AlignTop);
    right->addLayout(mid);

    ui.LabelWindows = make<QLabel>(u"LabelWindows"_s, page);
    ui.LabelMemory = make<QLabel>(u"LabelMemory"_s, page);
    ui.LabelDelphi = make<QLabel>(u"LabelDelphi"_s, page);
    right->addWidget(ui.LabelWindows);
    right->addWidget(ui.LabelMemory);
    right->addWidget(ui.LabelDelphi);

    auto* links = new QHBoxLayout;
    auto* webIcon = ui.Image6 = make<ClickLabel>(u"Image6"_s, page);
    webIcon->setPixmap(mainImage(ImgWeb).pixmap(16, 16));
    ui.RzLabelWeb = make<ClickLabel>(u"RzLabelWeb"_s, page, u"Web page"_s);
    auto* mailIcon = ui.Image2 = make<ClickLabel>(u"Image2"_s, page);
    mailIcon->setPixmap(mainImage(ImgMail).pixmap(16, 16));
    ui.RzLabelEmail = make<ClickLabel>(u"RzLabelEmail"_s, page, u"E-mail"_s);
    for (QLabel* l : {static_cast<QLabel*>(ui.RzLabelWeb), static_cast<QLabel*>(ui.RzLabelEmail)})
        l->setCursor(Qt::PointingHandCursor);
    ui.RzRapidFireButtonHelp = make<QToolButton>(u"RzRapidFireButtonHelp"_s, page);
    ui.RzRapidFireButtonHelp->setText(u"Help"_s);
    ui.RzRapidFireButtonHelp->setIcon(mainImage(ImgHelp));
    ui.RzRapidFireButtonHelp->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    links->addWidget(webIcon);
    links->addWidget(ui.RzLabelWeb);
    links->addSpacing(12);
    links->addWidget(mailIcon);
    links->addWidget(ui.RzLabelEmail);
    links->addStretch();
    links->addWidget(ui.RzRapidFireButtonHelp);
    right->addLayout(links);
    right->addStretch();
    outer->addLayout(right, 1);
}

} // namespace

MainUi buildMainUi(QMainWindow* window)
{
    MainUi ui;
    ui.RzPageControl = make<QTabWidget>(u"RzPageControl"_s, window);
    ui.RzPageControl->setUsesScrollButtons(false);
    window->setCentralWidget(ui.RzPageControl);

    // In the order of Page.
    const std::pair<QWidget**, std::pair<QString, QString>> pages[] = {
        {&ui.TabSheetExperts, {u"TabSheetExperts"_s, u"Expert"_s}},
        {&ui.TabSheetComponents, {u"TabSheetComponents"_s, u"Component"_s}},
        {&ui.TabSheetTool, {u"TabSheetTool"_s, u"Tool"_s}},
        {&ui.TabSheetProjects, {u"TabSheetProjects"_s, u"Project"_s}},
        {&ui.TabSheetOption, {u"TabSheetOption"_s, u"Option"_s}},
        {&ui.TabSheetAbout, {u"TabSheetAbout"_s, u"About"_s}},
    };
    const int pageImages[] = {ImgExpert, ImgComponent, ImgTool, ImgProject, ImgOption, ImgAbout};
    int i = 0;
    for (const auto& [slot, names] : pages) {
        *slot = make<QWidget>(names.first, ui.RzPageControl);
        ui.RzPageControl->addTab(*slot, mainImage(pageImages[i++]), names.second);
    }
    buildExpertsPage(ui);
    buildComponentsPage(ui);
    buildToolsPage(ui);
    buildProjectsPage(ui);
    buildOptionPage(ui);
    buildAboutPage(ui);

    QStatusBar* bar = window->statusBar();
    bar->setObjectName(u"RzStatusBar1"_s);
    bar->setSizeGripEnabled(true);
    ui.RzStatusPane1 = make<StatusPane>(u"RzStatusPane1"_s, bar);
    ui.RzStatusPane2 = make<StatusPane>(u"RzStatusPane2"_s, bar);
    ui.RzStatusPaneMsg = make<StatusPane>(u"RzStatusPaneMsg"_s, bar);
    ui.RzProgressBar = make<QProgressBar>(u"RzProgressBar"_s, bar);
    ui.RzProgressBar->setFixedWidth(100);
    ui.RzProgressBar->setRange(0, 100);
    ui.RzProgressBar->hide();
    bar->addWidget(ui.RzStatusPane1);
    bar->addWidget(ui.RzStatusPane2);
    bar->addWidget(ui.RzStatusPaneMsg, 1);
    bar->addPermanentWidget(ui.RzProgressBar);

    ui.TimerCount = make<QTimer>(u"TimerCount"_s, window);
    ui.TimerCount->setInterval(1000);
    ui.TimerAnimate = make<QTimer>(u"TimerAnimate"_s, window);
    ui.TimerAnimate->setInterval(22500);
    ui.TimerEgg = make<QTimer>(u"TimerEgg"_s, window);
    return ui;
}

} // namespace vx::app
