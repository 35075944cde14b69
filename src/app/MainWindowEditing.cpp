// The window's side of the editing commands: which control runs which command, keys on the lists,
// and what the commands ask of the window (selection, captions, hints, fonts).
#include "app/EditingCommands.h"
#include "app/EntryListView.h"
#include "app/MainWindow.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTabBar>

using namespace Qt::StringLiterals;

namespace vx::app {

void TFormMain::connectEditing()
{
    m_editing = std::make_unique<EditingCommands>(*this);
    EditingCommands* e = m_editing.get();
    const std::pair<const char16_t*, std::function<void()>> menuCommands[] = {
        {u"popAddExpert", [e] { e->experts.popAddExpertClick(); }},
        {u"popDelExpert", [e] { e->experts.popDelExpertClick(); }},
        {u"popModifyExpert", [e] { e->experts.popModifyExpertClick(); }},
        {u"popSelAllExpert", [e] { e->experts.popSelAllExpertClick(); }},
        {u"popunSelAllExpert", [e] { e->experts.popunSelAllExpertClick(); }},
        {u"popAddGroup", [e] { e->groups.popAddGroupClick(); }},
        {u"popDelGroup", [e] { e->groups.popDelGroupClick(); }},
        {u"popModifyGroup", [e] { e->groups.popModifyGroupClick(); }},
        {u"popSelAllGrp", [e] { e->groups.popSelAllGrpClick(); }},
        {u"popunSelAllGrp", [e] { e->groups.popunSelAllGrpClick(); }},
        {u"popAddComp", [e] { e->groups.popAddCompClick(); }},
        {u"popDelComp", [e] { e->groups.popDelCompClick(); }},
        {u"popModifyComp", [e] { e->groups.popModifyCompClick(); }},
        {u"popSelAllComp", [e] { e->groups.popSelAllCompClick(); }},
        {u"popunSelAllComp", [e] { e->groups.popunSelAllCompClick(); }},
        {u"popAddTool", [e] { e->tools.popAddToolClick(); }},
        {u"popDelTool", [e] { e->tools.popDelToolClick(); }},
        {u"popModifyTool", [e] { e->tools.popModifyToolClick(); }},
        {u"popSelAllTool", [e] { e->tools.popSelAllToolClick(); }},
        {u"popunSelAllTool", [e] { e->tools.popunSelAllToolClick(); }},
    };
    for (const auto& [name, run] : menuCommands) {
        QAction* a = findChild<QAction*>(QString::fromUtf16(name));
        Q_ASSERT(a);
        connectCommand(a, &QAction::triggered, run);
    }
    const std::pair<QAbstractButton*, std::function<void()>> buttons[] = {
        {m_ui.RzRapidFireButtonAddPath, [e] { e->searchPath.RzRapidFireButtonAddPathClick(); }},
        {m_ui.RzRapidFireButtonModifyPath, [e] { e->searchPath.RzRapidFireButtonModifyPathClick(); }},
        {m_ui.RzRapidFireButtonDelPath, [e] { e->searchPath.RzRapidFireButtonDelPathClick(); }},
        {m_ui.RzButtonLang, [e] { e->options.RzButtonLangClick(); }},
        {m_ui.RzBitBtnFont, [e] { e->options.RzBitBtnFontClick(); }},
    };
    for (const auto& [button, run] : buttons)
        connectCommand(button, &QAbstractButton::clicked, run);
    connectCommand(m_ui.RzLabelLang, &ClickLabel::clicked, [e] { e->options.RzButtonLangClick(); });
    connectCommand(m_ui.RzLabelFont, &ClickLabel::clicked, [e] { e->options.RzBitBtnFontClick(); });

    connect(m_ui.RzListViewExpert, &EntryListView::mouseDown, this,
            [e](int x) { e->experts.RzListViewExpertMouseDown(x); });
    connect(m_ui.RzListViewTool, &EntryListView::mouseDown, this,
            [e](int x) { e->tools.RzListViewToolMouseDown(x); });
    connect(m_ui.RzListViewSearchPath, &QAbstractItemView::pressed, this,
            [e] { e->searchPath.RzListViewSearchPathMouseDown(); });
    connectListKeys(m_ui.RzListViewExpert, m_ui.PopupMenuExpert);
    connectListKeys(m_ui.RzListViewTool, m_ui.PopupMenuTool);

    // The search path list: Insert adds, Delete deletes, Enter modifies.
    const std::pair<QKeySequence, QAbstractButton*> pathKeys[] = {
        {QKeySequence(Qt::Key_Insert), m_ui.RzRapidFireButtonAddPath},
        {QKeySequence(Qt::Key_Delete), m_ui.RzRapidFireButtonDelPath},
        {QKeySequence(Qt::Key_Return), m_ui.RzRapidFireButtonModifyPath},
        {QKeySequence(Qt::Key_Enter), m_ui.RzRapidFireButtonModifyPath},
    };
    for (const auto& [key, button] : pathKeys) {
        auto* a = new QAction(m_ui.RzListViewSearchPath);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetShortcut);
        m_ui.RzListViewSearchPath->addAction(a);
        connect(a, &QAction::triggered, button, &QAbstractButton::click);
    }
}

void TFormMain::connectListKeys(EntryListView* view, QMenu* menu)
{
    // The first three items of every list popup are Add, Del and Modify.
    const QList<QAction*> items = menu->actions();
    const std::pair<int, QList<QKeySequence>> keys[] = {
        {0, {QKeySequence(Qt::Key_Insert)}},
        {1, {QKeySequence(Qt::Key_Delete)}},
        {2, {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}},
    };
    for (const auto& [i, sequences] : keys) {
        QAction* a = items.value(i);
        if (!a)
            continue;
        a->setShortcuts(sequences);
        // Only while the list itself has the focus: an in-place editor keeps Enter and Delete.
        a->setShortcutContext(Qt::WidgetShortcut);
        a->setShortcutVisibleInContextMenu(true);
        view->addAction(a);
    }
    auto* popupKey = new QAction(view);
    popupKey->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    popupKey->setShortcutContext(Qt::WidgetShortcut);
    view->addAction(popupKey);
    connect(popupKey, &QAction::triggered, view, &EntryListView::requestKeyboardMenu);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, menu,
            [view, menu](const QPoint& pos) { menu->popup(view->viewport()->mapToGlobal(pos)); });
}

QString TFormMain::caption(const QString& objectName) const
{
    const QWidget* w = findChild<QWidget*>(objectName);
    if (!w)
        return {};
    if (const int page = m_ui.RzPageControl->indexOf(const_cast<QWidget*>(w)); page >= 0)
        return m_ui.RzPageControl->tabText(page);
    if (const auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (const auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    if (const auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title();
    return w->windowTitle();
}

QAbstractItemView* TFormMain::viewOf(const QAbstractItemModel& model) const
{
    for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(m_ui.RzListViewExpert),
                                 static_cast<QAbstractItemView*>(m_ui.RzListViewTool),
                                 static_cast<QAbstractItemView*>(m_ui.RzListViewSearchPath)}) {
        if (v->model() == &model)
            return v;
    }
    for (auto* list : m_ui.RzPageControlComp->findChildren<EntryListView*>()) {
        if (list->model() == &model)
            return list;
    }
    return nullptr;
}

int TFormMain::selectedRow(const QAbstractItemModel& list) const
{
    const QAbstractItemView* v = viewOf(list);
    if (!v || !v->selectionModel())
        return -1;
    const QModelIndexList rows = v->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TFormMain::selectRow(const QAbstractItemModel& list, int row)
{
    QAbstractItemView* v = viewOf(list);
    if (!v || row < 0 || row >= list.rowCount())
        return;
    const QModelIndex i = list.index(row, 0);
    v->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    v->scrollTo(i);
}

bool TFormMain::hasGroupList(int group) const
{
    // Found by its numbered name, as every command finds a group's list, and showing that group.
    const auto* list =
        m_ui.RzPageControlComp->findChild<EntryListView*>(u"ListViewComp"_s + QString::number(group + 1));
    return list && group >= 0 && group < m_project.groupCount() &&
           list->entryModel() == &m_project.group(group);
}

void TFormMain::setListHint(const QAbstractItemModel& list, const QString& text)
{
    if (QAbstractItemView* v = viewOf(list))
        v->setStatusTip(text);
    m_ui.RzStatusPaneMsg->setText(text);
}

void TFormMain::setDisplayFont(const QFont& f)
{
    setFont(f);
    m_ui.RzLabelFont->setText(f.family() + u", "_s + QString::number(f.pointSize()));
}

void TFormMain::removeGroupPage(int group)
{
    QTabWidget* tabs = m_ui.RzPageControlComp;
    {
        QSignalBlocker block(tabs);
        delete tabs->widget(group);
    }
    // The pages after the deleted one move up a number.
    for (int j = group; j < tabs->count(); ++j) {
        QWidget* sheet = tabs->widget(j);
        sheet->setObjectName(u"TabComp"_s + QString::number(j + 1));
        if (auto* list = sheet->findChild<EntryListView*>())
            list->setObjectName(u"ListViewComp"_s + QString::number(j + 1));
    }
    if (m_project.activeGroup() >= 0 && m_project.activeGroup() < tabs->count())
        tabs->setCurrentIndex(m_project.activeGroup());
}

} // namespace vx::app
