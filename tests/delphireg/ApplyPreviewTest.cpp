#include "delphireg/ApplyPreview.h"
#include "delphireg/DelphiConfig.h"
#include "fixtures/Sandbox.h"
#include "platform/IniFile.h"
#include "platform/PathBridge.h"
#include "platform/RegistryStore.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "project/ProjectFile.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

const DiffItem* find(const std::vector<DiffItem>& items, DiffChange change, const QString& file)
{
    for (const DiffItem& i : items) {
        if (i.change == change && i.file.compare(file, Qt::CaseInsensitive) == 0)
            return &i;
    }
    return nullptr;
}

} // namespace

// The preview is what Apply leaves in the registry read back, not the raw project: unchecked
// entries and missing files drop out, include paths join the search path. After a real Apply the
// preview of the same project is empty.
TEST(ApplyPreview, ShowsWhatApplyLeavesAndNothingAfterApplying)
{
    QTemporaryDir dir;
    const fixtures::Sandbox sb = fixtures::makeSandbox(dir.filePath(u"p"_s));
    const PathMacro macro(sb.delphiRoot);
    const PathBridge bridge(sb.prefix);
    ConfigProject project;
    IniFile file(sb.sampleProject);
    readProject(file, project, macro, {&bridge, QDateTime(QDate(2026, 12, 6), QTime(9, 0)), {}});
    const QByteArray userReg = test::readAll(sb.prefix + u"/user.reg"_s);

    ProjectDiff diff;
    {
        HiveRegistryStore scratch(sb.prefix);
        diff = previewApply(scratch, project, macro, bridge);
    }
    EXPECT_EQ(test::readAll(sb.prefix + u"/user.reg"_s), userReg) << "the preview writes nothing";

    // Unchecked in the project: the expert goes from the registry rather than being "disabled".
    EXPECT_NE(find(diff.experts, DiffChange::Removed, u"C:\\Tools\\Experts\\Wizard.dll"_s), nullptr);
    // A checked expert whose file is missing is not written, so it is no change at all.
    EXPECT_EQ(find(diff.experts, DiffChange::Added, u"$(Delphi)\\Experts\\Lost.dll"_s), nullptr);
    EXPECT_NE(find(diff.experts, DiffChange::Added, u"$(Delphi)\\Experts\\FormPlus.dll"_s), nullptr);
    // An include path of a checked package joins the search path.
    EXPECT_NE(find(diff.searchPath, DiffChange::Added, u"$(Delphi)\\Source\\Indy"_s), nullptr);
    EXPECT_NE(applyPreviewSummary(diff).indexOf(u"search path changes"_s), -1) << applyPreviewSummary(diff).toStdString();

    {
        HiveRegistryStore store(sb.prefix);
        applyProject(store, project, macro, bridge);
        store.commit();
    }
    HiveRegistryStore again(sb.prefix);
    const ProjectDiff none = previewApply(again, project, macro, bridge);
    EXPECT_TRUE(none.isEmpty()) << diffReviewLines(none).join(u'\n').toStdString();
    EXPECT_EQ(applyPreviewSummary(none), u"Nothing would change."_s);
}
