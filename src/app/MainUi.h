#pragma once

#include "app/Page.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

class QMainWindow;

namespace vx::app {

class Animator;
class EntryListView;

// A label that reports double-clicks (the statistics values clear their figures that way).
class ClickLabel : public QLabel
{
    Q_OBJECT
  public:
    using QLabel::QLabel;
  Q_SIGNALS:
    void doubleClicked();
    void clicked();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
};

// A status-bar pane: white while the pointer is over it, the button face otherwise.
class StatusPane : public QLabel
{
    Q_OBJECT
  public:
    explicit StatusPane(QWidget* parent = nullptr);

  protected:
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
};

// The controls of the main window, each carrying its name as objectName. Built once by
// buildMainUi; the window reaches its controls through these pointers (the commands reach the
// window through their hosts).
struct MainUi
{
    QTabWidget* RzPageControl = nullptr;
    QWidget *TabSheetExperts = nullptr, *TabSheetComponents = nullptr, *TabSheetTool = nullptr,
            *TabSheetProjects = nullptr, *TabSheetOption = nullptr, *TabSheetAbout = nullptr;

    EntryListView* RzListViewExpert = nullptr;
    QTabWidget* RzPageControlComp = nullptr;
    EntryListView* RzListViewTool = nullptr;
    QMenu *PopupMenuExpert = nullptr, *PopupMenuGroup = nullptr, *PopupMenuComp = nullptr,
          *PopupMenuTool = nullptr;
    QAction* popGroupMenu = nullptr; // the group menu as the last item of the component menu

    // Projects page
    ClickLabel *RzLabelProject = nullptr, *RzLabelProjectRuns = nullptr, *RzLabelProjectTimeSum = nullptr,
               *RzLabelProjectBeginTime = nullptr, *RzLabelProjectRunTime = nullptr,
               *RzLabelProjectLastTime = nullptr, *RzLabelProjectLastRun = nullptr,
               *RzLabelGroupNum = nullptr, *RzLabelCompNum = nullptr, *RzLabelCompSel = nullptr,
               *RzLabelExpertNum = nullptr, *RzLabelExpertSel = nullptr, *RzLabelToolNum = nullptr,
               *RzLabelToolSel = nullptr;
    QLabel *LabelCompSel = nullptr, *LabelGroupNum = nullptr;
    QPushButton *RzBitBtnNewProject = nullptr, *RzBitBtnOpenProject = nullptr, *RzBitBtnSaveProject = nullptr,
                *RzBitBtnSaveProjectAs = nullptr, *RzBitBtnCloseProject = nullptr,
                *RzBitBtnDelphi7Project = nullptr, *RzBitBtnApplyProject = nullptr, *RzBitBtnLaunch = nullptr;
    QPushButton* RzBitBtnCheckProject = nullptr;

    // Option page
    QLabel *RzLabelDelphiPath = nullptr, *RzLabelWinSDK = nullptr, *LabelBDEpath = nullptr,
           *LabelBordbk = nullptr;
    ClickLabel *RzLabelLang = nullptr, *RzLabelFont = nullptr;
    QListView* RzListViewSearchPath = nullptr;
    QToolButton *RzRapidFireButtonAddPath = nullptr, *RzRapidFireButtonModifyPath = nullptr,
                *RzRapidFireButtonDelPath = nullptr;
    QPushButton *RzButtonWinSDK = nullptr, *RzButtonBDEpath = nullptr, *RzBitBtnBordbk = nullptr,
                *RzButtonLang = nullptr, *RzBitBtnFont = nullptr, *RzButtonRegDebug = nullptr,
                *RzBitBtnCopyFiles = nullptr, *RzBitBtnRecover = nullptr, *RzBitBtnImportReg = nullptr,
                *RzBitBtnBackupReg = nullptr, *RzBitBtnClearReg = nullptr, *RzBitBtnUndoReg = nullptr,
                *RzButtonShortcut = nullptr, *RzBitBtnDelShortcut = nullptr;
    QCheckBox *RzCheckBoxBDEen = nullptr, *RzCheckBoxValid = nullptr, *RzCheckBoxAssociate = nullptr,
              *RzCheckBoxAssociateShell = nullptr, *RzCheckBoxAssociateFiles = nullptr,
              *RzCheckBoxShortcutDesktop = nullptr, *RzCheckBoxShortcutQuickLaunch = nullptr,
              *RzCheckBoxShortcutMenu = nullptr, *RzCheckBoxShortcutDesktopD = nullptr,
              *RzCheckBoxShortcutQuickLaunchD = nullptr, *RzCheckBoxShortcutMenuD = nullptr;
    Animator* RzAnimatorT = nullptr;

    // About page
    QLabel *ImageLogo = nullptr, *ImageEgg = nullptr, *LabelLogoName = nullptr, *Labelshow = nullptr,
           *LabelWindows = nullptr, *LabelMemory = nullptr, *LabelDelphi = nullptr;
    ClickLabel *RzLabelWeb = nullptr, *RzLabelEmail = nullptr, *Image6 = nullptr, *Image2 = nullptr;
    ClickLabel *RzLabelRunTimes = nullptr, *RzLabelRunTimeSum = nullptr, *RzLabelBeginTime = nullptr,
               *RzLabelRunTime = nullptr, *RzLabelLastEnd = nullptr, *RzLabelLastRunTime = nullptr;
    QToolButton* RzRapidFireButtonHelp = nullptr;
    Animator* RzAnimator = nullptr;

    // Status bar
    StatusPane *RzStatusPane1 = nullptr, *RzStatusPane2 = nullptr, *RzStatusPaneMsg = nullptr;
    QProgressBar* RzProgressBar = nullptr;

    QTimer *TimerCount = nullptr, *TimerAnimate = nullptr, *TimerEgg = nullptr;

    Page currentPage() const { return Page(RzPageControl->currentIndex()); }
    void showPage(Page page) { RzPageControl->setCurrentIndex(int(page)); }
};

// Builds every page, menu, status pane and timer of the main window.
MainUi buildMainUi(QMainWindow* window);

} // namespace vx::app
