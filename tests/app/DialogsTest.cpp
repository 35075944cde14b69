// The shared dialogs (input, language selection, file list) as the real prompter shows them, driven
// as a user would: keys, clicks and closing the window.

#include "app/DialogGeometry.h"
#include "app/DialogPrompter.h"
#include "app/TFormFileList.h"
#include "app/TFormInput.h"
#include "app/TFormSelLang.h"
#include "editing/RuntimeFiles.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using namespace vx::app;

namespace {

// Runs `act` on the modal dialog as soon as one is up; the caller then blocks in the dialog's
// event loop until `act` ends it.
void whenModal(std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, act = std::move(act)] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(dialog);
        }
    });
    poll->start();
}

QPushButton* button(QWidget& dialog, const QString& name)
{
    auto* b = dialog.findChild<QPushButton*>(name);
    EXPECT_NE(b, nullptr) << name.toStdString();
    return b;
}

TEST(DialogGeometry, CentredOnThePointerAndKeptOnItsScreen)
{
    const QSize size(283, 130);
    const QRect primary(0, 0, 1920, 1080), leftAbove(-1280, -200, 1280, 1024);
    const struct
    {
        QPoint pointer;
        QSize size;
        QRect screen;
        QPoint topLeft;
    } cases[] = {
        {{500, 400}, size, primary, {359, 335}},
        {{-1, 820}, size, leftAbove, {-283, 824 - 130}},
        {{100, 100}, {2000, 100}, primary, {1920 - 2000, 50}}, // wider than the screen: the right edge wins
    };
    for (const auto& c : cases)
        EXPECT_EQ(placeAtPointer(c.pointer, c.size, c.screen), c.topLeft)
            << c.pointer.x() << "," << c.pointer.y();
    EXPECT_EQ(centredOver(QRect(100, 50, 800, 600), QSize(120, 271)), QPoint(440, 214));
}

class InputDialogTest : public ::testing::Test
{
  protected:
    TFormInput dialog;
    QPushButton* ok = button(dialog, u"RzBitBtnOk"_s);
    QPushButton* cancel = button(dialog, u"RzBitBtnCancel"_s);
};

TEST_F(InputDialogTest, ModesDecideButtonsAndTheEmptyTextAndEnterConfirmsOnlyWhileOkIsEnabled)
{
    struct Case
    {
        int mode;
        bool withCancel;
        bool emptyAccepted;
    };
    for (const Case c : {Case{1, true, false}, Case{2, true, true}, Case{3, false, false},
                         Case{4, false, true}, Case{7, true, true}}) {
        SCOPED_TRACE(c.mode);
        dialog.setMode(c.mode);
        dialog.open();
        EXPECT_EQ(cancel->isVisible(), c.withCancel);
        EXPECT_EQ(ok->isEnabled(), c.emptyAccepted);
        QTest::keyClick(dialog.edit(), Qt::Key_Q);
        EXPECT_TRUE(ok->isEnabled());
        QTest::keyClick(dialog.edit(), Qt::Key_Backspace);
        EXPECT_EQ(ok->isEnabled(), c.emptyAccepted) << "deleting the text again";
        dialog.reject();
    }

    // Enter confirms only while OK is enabled; Cancel empties the text.
    dialog.setMode(1);
    dialog.open();
    QTest::keyClick(dialog.edit(), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible()) << "Enter with an empty text in mode 1";
    QTest::keyClicks(dialog.edit(), u"Grp"_s);
    QTest::keyClick(dialog.edit(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.text(), u"Grp"_s);

    // The next showing offers an empty edit with the focus, never the previous text.
    dialog.open();
    EXPECT_EQ(dialog.text(), QString());
    EXPECT_EQ(dialog.focusWidget(), dialog.edit());
    QTest::keyClicks(dialog.edit(), u"abc"_s);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.text(), QString()) << "Cancel empties the text";
}

// A 300-character name without a blank wraps inside the screen; Ctrl+C copies the text as given.
TEST(DialogPrompterMessage, LongNamesWrapInsideTheScreenAndCopyAsGiven)
{
    DialogPrompter prompter;
    const QString text =
        u"Do you really want to modify "_s + QString(300, u'x') + u" <b>C:\\Tools\\a.bpl</b>?"_s;
    whenModal([&](QWidget* d) {
        const QRect screen = d->screen()->availableGeometry();
        EXPECT_LE(d->frameGeometry().width(), screen.width());
        QTest::keyClick(d, Qt::Key_C, Qt::ControlModifier);
        EXPECT_TRUE(QGuiApplication::clipboard()->text().contains(text))
            << QGuiApplication::clipboard()->text().toStdString();
        static_cast<QDialog*>(d)->reject();
    });
    prompter.message(nullptr, {Prompter::Icon::Question, {}, text, Prompter::Yes | Prompter::No});
}

TEST(DialogPrompterInput, StateGivesTitleModeFontAndTheFlagIsReset)
{
    DialogPrompter prompter;
    InputDialogState state;
    state.prepare(u"Input Group Name"_s, true, 3);
    state.font = QFont(u"Arial"_s, 20);
    whenModal([](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), u"Input Group Name"_s);
        EXPECT_EQ(d->font().family(), u"Arial"_s);
        auto* edit = d->findChild<QLineEdit*>(u"RzEdit"_s);
        EXPECT_GE(edit->height(), edit->sizeHint().height()) << "the larger font is not cut off";
        QTest::keyClicks(edit, u"Tools"_s);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    Prompter::InputAnswer a = prompter.input(nullptr, state);
    EXPECT_TRUE(a.ok);
    EXPECT_EQ(a.text, u"Tools"_s);
    EXPECT_FALSE(state.placeAtCursor);
}

class SelLangTest : public ::testing::Test
{
  protected:
    TFormSelLang dialog;
    QPushButton* ok = button(dialog, u"RzBitBtn"_s);
    QListWidget* list = dialog.list();

    QStringList rows() const
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out.append(list->item(i)->text());
        return out;
    }
};

TEST_F(SelLangTest, RowsSortedOkOnlyWithASelectionEscapeOrADoubleClickOnARowConfirms)
{
    dialog.setLanguages({u"English"_s, u"Zulu"_s, u"chinese"_s});
    dialog.open();
    EXPECT_EQ(rows(), (QStringList{u"chinese"_s, u"English"_s, u"Zulu"_s}));
    EXPECT_FALSE(ok->isEnabled());
    for (const auto key : {Qt::Key_Escape, Qt::Key_Return}) {
        QTest::keyClick(list, key);
        EXPECT_TRUE(dialog.isVisible()) << "no selection: the key does nothing";
    }
    list->item(1)->setSelected(true);
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.selectedLanguage(), u"English"_s);

    // Every showing fills the list afresh, with nothing selected. A double click on a row confirms
    // it, on empty space nothing (a double click is a click followed by the double-click event).
    dialog.setLanguages({u"English"_s, u"chinese"_s});
    dialog.open();
    EXPECT_FALSE(ok->isEnabled());
    const auto doubleClick = [this](QPoint at) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    };
    list->item(0)->setSelected(true);
    doubleClick(list->visualItemRect(list->item(1)).bottomLeft() + QPoint(4, 20));
    EXPECT_TRUE(dialog.isVisible());
    doubleClick(list->visualItemRect(list->item(0)).center());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.selectedLanguage(), u"chinese"_s);
}

TEST(DialogPrompterFileList, ShowsTheRuntimeFilesReadOnlyWithTheCallersMessageAndCaptions)
{
    DialogPrompter prompter;
    FileListDialogState state;
    state.label = u"Copy these files from <C:\\windows\\system32> to <C:\\Delphi7\\Bin>."_s;
    whenModal([&state](QWidget* d) {
        auto* dialog = qobject_cast<TFormFileList*>(d);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->fileNames(), editing::runtimeFileNames());
        EXPECT_TRUE(dialog->memo()->isReadOnly());
        EXPECT_EQ(dialog->message(), state.label);
        dialog->okButton()->click();
    });
    EXPECT_TRUE(prompter.fileList(nullptr, state));
}

} // namespace
