// The group and package commands on large projects, through the real window (its views, the
// status bar and the Projects page counters), as the user feels them: each command is triggered
// through its menu action, and the window then paints what changed before the clock stops.

#include "app/MainWindow.h"
#include "fixtures/LargeProject.h"
#include "fixtures/Sandbox.h"
#include "project/ConfigProject.h"
#include "prompter/Prompter.h"

#include <QAction>
#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(12, 0));

void ensureApplication()
{
    if (QApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "vx_bench";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives as long as the process
}

// Answers every question as a user who confirms: Yes to boxes, a fixed package file, a name for
// every prompt, no folder.
class ConfirmingPrompter : public Prompter
{
  public:
    QString package;
    Button message(QWidget*, const Message&) override { return Yes; }
    QString openFile(QWidget*, const QString&, const QString&) override { return package; }
    QString saveFile(QWidget*, const QString&, const QString&, bool) override { return {}; }
    QString folder(QWidget*, const QString&, const QString&) override { return {}; }
    std::optional<QFont> font(QWidget*, const QFont&) override { return std::nullopt; }
    InputAnswer input(QWidget*, InputDialogState& state) override
    {
        state.placeAtCursor = false;
        return {true, u"Bench"_s};
    }
    bool fileList(QWidget*, FileListDialogState&) override { return false; }
    std::optional<QString> selectLanguage(QWidget*, LanguageDialogState&, const QStringList&) override
    {
        return std::nullopt;
    }
    std::optional<int> chooseItem(QWidget*, const QString&, const QString&, const QStringList&,
                                  int current) override
    {
        return current;
    }
};

// A started window on a demo sandbox, shown on the offscreen screen, holding a project.
struct BenchWindow
{
    QTemporaryDir dir;
    fixtures::Sandbox sb;
    std::unique_ptr<app::TFormMain> w;
    ConfirmingPrompter prompter;

    BenchWindow()
    {
        ensureApplication();
        sb = fixtures::makeSandbox(dir.filePath(u"prefix"_s));
        w = std::make_unique<app::TFormMain>(Installation::locate(sb.delphiHost),
                                             sb.delphiHost + u"/Vorlix7.wv7"_s);
        w->FormCreate({});
        w->resize(900, 600);
        w->show();
        prompter.package = sb.delphiHost + u"/Projects/Bpl/benchnew.bpl"_s;
        settle();
    }

    void settle() const { QCoreApplication::processEvents(); }
    void trigger(const QString& action)
    {
        Prompter::install(&prompter);
        w->findChild<QAction*>(action)->trigger();
        settle();
    }
    void showPage(QWidget* page) const
    {
        w->ui().RzPageControl->setCurrentWidget(page);
        settle();
    }
    ConfigProject& project() const { return w->project(); }
};

std::vector<EntryRow> packageRows(int count, int group)
{
    std::vector<EntryRow> rows;
    rows.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        rows.push_back(ComponentListModel::toRow(
            {u"Package %1 %2"_s.arg(QString::number(group), QString::number(i)),
             u"$(Delphi)\\Bpl\\g%1\\pkg%2.bpl"_s.arg(QString::number(group), QString::number(i)),
             {},
             {},
             i % 2 == 0}));
    return rows;
}

// Windows of the benchmarks, built once per shape: a 10,000-entry project takes longer to build
// than the commands measured on it. They live until the process ends, as the application does.
BenchWindow& largeProjectWindow(int entries)
{
    static std::map<int, BenchWindow*> windows;
    auto& slot = windows[entries];
    if (!slot) {
        slot = new BenchWindow;
        fixtures::fillLargeProject(slot->project(), entries, kNow);
        slot->project().setActiveGroup(0);
        slot->project().setOpen(true);
        slot->settle();
    }
    return *slot;
}

BenchWindow& oneGroupWindow(int rows)
{
    static std::map<int, BenchWindow*> windows;
    auto& slot = windows[rows];
    if (!slot) {
        slot = new BenchWindow;
        slot->project().addGroup(u"Only"_s).addRows(packageRows(rows, 0));
        slot->project().setActiveGroup(0);
        slot->project().setOpen(true);
        slot->settle();
    }
    return *slot;
}

constexpr int kGroupsOfDeleteBench = 50;

BenchWindow& manyGroupsWindow()
{
    static BenchWindow* window = nullptr;
    if (!window) {
        window = new BenchWindow;
        for (int g = 0; g < kGroupsOfDeleteBench; ++g)
            window->project()
                .addGroup(u"Group %1"_s.arg(g))
                .addRows(packageRows(10000 / kGroupsOfDeleteBench, g));
        window->project().setActiveGroup(kGroupsOfDeleteBench - 1);
        window->project().setOpen(true);
        window->settle();
    }
    return *window;
}

// Every other row checked in every group: Select All and unSelect All then change every other
// row, the most runs of changed rows the view can be told about.
void alternateChecks(BenchWindow& b)
{
    for (int g = 0; g < b.project().groupCount(); ++g) {
        ComponentListModel& list = b.project().group(g);
        for (int r = 0; r < list.count(); ++r)
            list.setSelected(r, r % 2 == 0);
    }
    b.settle();
}

// The command `timed` on rows checked alternately (restored untimed after each run).
void runCheckAll(benchmark::State& state, BenchWindow& b, const QString& timed)
{
    const ComponentListModel& first = b.project().group(b.project().activeGroup());
    const bool checks = timed.startsWith(u"popSelAll"_s);
    alternateChecks(b);
    for (auto _ : state) {
        b.trigger(timed);
        state.PauseTiming();
        if (first.selectedCount() != (checks ? first.count() : 0)) {
            state.SkipWithError("the command did not change the check boxes");
            break;
        }
        alternateChecks(b);
        state.ResumeTiming();
    }
    state.counters["rows"] = first.count();
}

// Arg 0: entries of the project; arg 1: the page shown (1 Components with its status bar,
// 3 Projects with its counters).
void BM_WindowSelectAllComponents(benchmark::State& state)
{
    BenchWindow& b = largeProjectWindow(int(state.range(0)));
    b.showPage(b.w->ui().RzPageControl->widget(int(state.range(1))));
    runCheckAll(state, b, u"popSelAllComp"_s);
}

void BM_WindowUnselectAllComponents(benchmark::State& state)
{
    BenchWindow& b = largeProjectWindow(int(state.range(0)));
    b.showPage(b.w->ui().RzPageControl->widget(int(state.range(1))));
    runCheckAll(state, b, u"popunSelAllComp"_s);
}

void BM_WindowSelectAllGroups(benchmark::State& state)
{
    BenchWindow& b = largeProjectWindow(int(state.range(0)));
    b.showPage(b.w->ui().RzPageControl->widget(int(state.range(1))));
    runCheckAll(state, b, u"popSelAllGrp"_s);
}

void BM_WindowUnselectAllGroups(benchmark::State& state)
{
    BenchWindow& b = largeProjectWindow(int(state.range(0)));
    b.showPage(b.w->ui().RzPageControl->widget(int(state.range(1))));
    runCheckAll(state, b, u"popunSelAllGrp"_s);
}

// Select All of one group of N rows: grows with N at most linearly.
void BM_WindowSelectAllRows(benchmark::State& state)
{
    BenchWindow& b = oneGroupWindow(int(state.range(0)));
    b.showPage(b.w->ui().TabSheetComponents);
    runCheckAll(state, b, u"popSelAllComp"_s);
    state.SetComplexityN(state.range(0));
}

// Add Component: the duplicate check runs over every package of every group; the new row is
// removed again untimed.
void BM_WindowAddComponent(benchmark::State& state)
{
    BenchWindow& b = largeProjectWindow(int(state.range(0)));
    b.showPage(b.w->ui().TabSheetComponents);
    ComponentListModel& list = b.project().group(b.project().activeGroup());
    const int before = list.count();
    for (auto _ : state) {
        b.trigger(u"popAddComp"_s);
        state.PauseTiming();
        if (list.count() != before + 1) {
            state.SkipWithError("the package was not added");
            break;
        }
        for (int r = 0; r < list.count(); ++r) {
            if (list.text(r, 1).endsWith(u"benchnew.bpl"_s)) {
                list.removeRowAt(r);
                break;
            }
        }
        b.settle();
        state.ResumeTiming();
    }
}

// Delete Group on the first of 50 groups (10,000 packages in all) while the last is shown; a
// group takes its place at the end again, untimed.
void BM_WindowDeleteFirstGroup(benchmark::State& state)
{
    BenchWindow& b = manyGroupsWindow();
    b.showPage(b.w->ui().TabSheetComponents);
    int serial = kGroupsOfDeleteBench;
    for (auto _ : state) {
        b.w->setAddressedGroup(0);
        b.trigger(u"popDelGroup"_s);
        state.PauseTiming();
        if (b.project().groupCount() != kGroupsOfDeleteBench - 1) {
            state.SkipWithError("the group was not deleted");
            break;
        }
        b.project()
            .addGroup(u"Group %1"_s.arg(serial))
            .addRows(packageRows(10000 / kGroupsOfDeleteBench, serial));
        ++serial;
        b.project().setActiveGroup(kGroupsOfDeleteBench - 1);
        b.settle();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_WindowSelectAllComponents)->Args({10000, 1})->Args({10000, 3})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowUnselectAllComponents)->Args({10000, 1})->Args({10000, 3})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowSelectAllGroups)->Args({10000, 1})->Args({10000, 3})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowUnselectAllGroups)->Args({10000, 1})->Args({10000, 3})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowSelectAllRows)
    ->Arg(1000)
    ->Arg(10000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowAddComponent)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowDeleteFirstGroup)->Unit(benchmark::kMillisecond);
