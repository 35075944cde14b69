#include "app/MainWindow.h"
#include "app/RegistryCommands.h"
#include "delphireg/Snapshots.h"
#include "platform/registry/RegistryStore.h"
#include "support/MainWindowFixture.h"
#include "support/RegistryContents.h"
#include "support/ScriptedPrompter.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::Prompter;

namespace {

class UndoRegistryTest : public test::ProjectWindowFixture
{
  protected:
    QStringList registry() const { return test::registryContents(HiveRegistryStore(sb.prefix)); }
    QPushButton* undo() const { return w->ui().RzBitBtnUndoReg; }
    void clear()
    {
        prompts.answer(u"Choice Yes will delete"_s, Prompter::Yes).answer(u"cleared"_s, Prompter::Ok);
        w->registry().RzBitBtnClearRegClick();
        w->registry().updateUndoButton();
    }
};

TEST_F(UndoRegistryTest, ClearByMistakeIsUndoneAndTheUndoCanBeUndone)
{
    EXPECT_FALSE(undo()->isEnabled()) << "no snapshot yet";
    const QStringList before = registry();
    clear();
    const QStringList cleared = registry();
    ASSERT_NE(cleared, before);
    EXPECT_TRUE(undo()->isEnabled());

    // Cancelling the list changes nothing.
    prompts.chooseItem(-1);
    w->registry().RzBitBtnUndoRegClick();
    EXPECT_EQ(registry(), cleared);

    prompts.chooseItem(0).answer(u"back as it was"_s, Prompter::Ok);
    w->registry().RzBitBtnUndoRegClick();
    EXPECT_EQ(registry(), before);
    ASSERT_EQ(prompts.choiceLists().back().size(), 1);
    EXPECT_TRUE(prompts.choiceLists().back()[0].endsWith(u"before clear"_s));

    clock.advanceSeconds(1);
    prompts.chooseItem(0).answer(u"back as it was"_s, Prompter::Ok);
    w->registry().RzBitBtnUndoRegClick();
    EXPECT_EQ(registry(), cleared) << "the second undo undoes the first";
    EXPECT_TRUE(prompts.choiceLists().back()[0].endsWith(u"before restore"_s));

    // An earlier state from the history: the one before the clear.
    clock.advanceSeconds(1);
    prompts.chooseItem(2).answer(u"back as it was"_s, Prompter::Ok);
    w->registry().RzBitBtnUndoRegClick();
    EXPECT_EQ(registry(), before);
}

TEST_F(UndoRegistryTest, ASnapshotFolderThatCannotBeWrittenStopsClear)
{
    const SnapshotStore snaps(sb.prefix);
    ASSERT_TRUE(QDir().mkpath(snaps.folder()));
    QFile::setPermissions(snaps.folder(), QFile::ReadOwner | QFile::ExeOwner);
    const QStringList before = registry();
    prompts.answer(u"Choice Yes will delete"_s, Prompter::Yes).answer(snaps.folder(), Prompter::Ok);
    w->registry().RzBitBtnClearRegClick();
    QFile::setPermissions(snaps.folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(registry(), before);
}

} // namespace
