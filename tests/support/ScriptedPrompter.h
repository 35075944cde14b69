#pragma once

#include "prompter/Prompter.h"

#include <QString>
#include <deque>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace vx::test {

// Answers the program's questions from a script, in order. A question the script does not expect
// fails the test; so does a script with answers left over when the prompter goes.
class ScriptedPrompter : public Prompter
{
  public:
    enum class Kind { Message, OpenFile, SaveFile, Folder, Font, Input, FileList, Language, Choice };
    struct Step
    {
        Kind kind;
        QString expectText = {}; // the message must contain this (messages only)
        Button answer = Ok;
        QString path = {}; // the file or folder chosen, the text typed, the language; empty = cancelled
        std::optional<QFont> font = std::nullopt;
    };
    // What an input dialog was shown with.
    struct InputShown
    {
        QString title;
        int mode = 0;
        bool placeAtCursor = false;
    };

    ScriptedPrompter() { Prompter::install(this); }
    ~ScriptedPrompter() override
    {
        Prompter::install(nullptr);
        EXPECT_TRUE(m_script.empty()) << m_script.size() << " scripted answers were not asked for";
    }

    ScriptedPrompter& answer(const QString& expectText, Button b)
    {
        return push({Kind::Message, expectText, b});
    }
    ScriptedPrompter& chooseOpen(const QString& path) { return push({Kind::OpenFile, {}, Ok, path}); }
    ScriptedPrompter& chooseSave(const QString& path) { return push({Kind::SaveFile, {}, Ok, path}); }
    // The input dialog: OK with this text (an empty text only where the mode accepts it).
    ScriptedPrompter& type(const QString& text) { return push({Kind::Input, {}, Ok, text}); }
    ScriptedPrompter& cancelInput() { return push({Kind::Input, {}, Cancel}); }
    ScriptedPrompter& chooseFolder(const QString& path) { return push({Kind::Folder, {}, Ok, path}); }
    ScriptedPrompter& chooseFont(std::optional<QFont> font)
    {
        return push({Kind::Font, {}, font ? Ok : Cancel, {}, font});
    }
    ScriptedPrompter& chooseLanguage(const QString& name) // empty = cancelled
    {
        return push({Kind::Language, {}, name.isEmpty() ? Cancel : Ok, name});
    }
    // A list choice: the item at this index, or cancelled when negative.
    ScriptedPrompter& chooseItem(int index)
    {
        return push({Kind::Choice, {}, index < 0 ? Cancel : Ok, QString::number(index)});
    }
    ScriptedPrompter& confirmFileList(bool ok) { return push({Kind::FileList, {}, ok ? Ok : Cancel}); }

    const std::vector<Message>& messages() const { return m_messages; }
    const std::vector<QString>& starts() const { return m_starts; }   // where file dialogs opened
    const std::vector<QString>& folders() const { return m_folders; } // where folder dialogs opened
    const std::vector<InputShown>& inputs() const { return m_inputs; }
    const std::vector<QStringList>& languageLists() const { return m_languageLists; }
    const std::vector<QString>& fileListLabels() const { return m_fileListLabels; }
    const std::vector<QStringList>& choiceLists() const { return m_choiceLists; }
    const std::vector<int>& preselectedItems() const { return m_preselected; }

    Button message(QWidget*, const Message& m) override
    {
        m_messages.push_back(m);
        const std::optional<Step> s = take(Kind::Message, m.text);
        if (!s)
            return (m.buttons & Cancel) ? Cancel : (m.buttons & No) ? No : Ok;
        EXPECT_TRUE(m.text.contains(s->expectText))
            << "message \"" << m.text.toStdString() << "\" does not contain \"" << s->expectText.toStdString()
            << "\"";
        return s->answer;
    }
    QString openFile(QWidget*, const QString& start, const QString& filter) override
    {
        m_starts.push_back(start);
        return path(Kind::OpenFile, filter);
    }
    QString saveFile(QWidget*, const QString&, const QString& filter, bool) override
    {
        return path(Kind::SaveFile, filter);
    }
    QString folder(QWidget*, const QString& title, const QString& directory) override
    {
        m_folders.push_back(directory);
        return path(Kind::Folder, title);
    }
    std::optional<QFont> font(QWidget*, const QFont&) override
    {
        const std::optional<Step> s = take(Kind::Font, QStringLiteral("font dialog"));
        return s ? s->font : std::nullopt;
    }
    InputAnswer input(QWidget*, InputDialogState& state) override
    {
        m_inputs.push_back({state.title, state.mode, state.placeAtCursor});
        state.placeAtCursor = false;
        const std::optional<Step> s = take(Kind::Input, state.title);
        const InputAnswer a{s && s->answer == Ok, s && s->answer == Ok ? s->path : QString()};
        EXPECT_FALSE(a.ok && a.text.isEmpty() && !state.acceptsEmpty())
            << "OK with an empty text in mode " << state.mode << " (\"" << state.title.toStdString() << "\")";
        return a;
    }
    bool fileList(QWidget*, FileListDialogState& state) override
    {
        m_fileListLabels.push_back(state.label);
        const std::optional<Step> s = take(Kind::FileList, state.label);
        return s && s->answer == Ok;
    }
    std::optional<QString> selectLanguage(QWidget*, LanguageDialogState&, const QStringList& names) override
    {
        m_languageLists.push_back(names);
        const std::optional<Step> s = take(Kind::Language, names.join(u','));
        return s && s->answer == Ok ? std::optional<QString>(s->path) : std::nullopt;
    }
    std::optional<int> chooseItem(QWidget*, const QString& title, const QString&, const QStringList& items,
                                  int current) override
    {
        m_choiceLists.push_back(items);
        m_preselected.push_back(current);
        const std::optional<Step> s = take(Kind::Choice, title);
        return s && s->answer == Ok ? std::optional<int>(s->path.toInt()) : std::nullopt;
    }

  private:
    ScriptedPrompter& push(const Step& step)
    {
        m_script.push_back(step);
        return *this;
    }
    // The next scripted step, which must be of this kind; nothing (and a failure) otherwise.
    std::optional<Step> take(Kind kind, const QString& what)
    {
        if (m_script.empty() || m_script.front().kind != kind) {
            ADD_FAILURE() << "unexpected question (" << int(kind) << "): " << what.toStdString();
            return std::nullopt;
        }
        const Step s = m_script.front();
        m_script.pop_front();
        return s;
    }
    QString path(Kind kind, const QString& what)
    {
        const std::optional<Step> s = take(kind, what);
        return s ? s->path : QString();
    }

    std::deque<Step> m_script;
    std::vector<Message> m_messages;
    std::vector<QString> m_starts;
    std::vector<QString> m_folders;
    std::vector<InputShown> m_inputs;
    std::vector<QStringList> m_languageLists;
    std::vector<QString> m_fileListLabels;
    std::vector<QStringList> m_choiceLists;
    std::vector<int> m_preselected;
};

} // namespace vx::test
