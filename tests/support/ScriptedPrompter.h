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
        QString expectText; // the message must contain this (messages only)
        Button answer = Ok;
        QString path; // the file or folder chosen, the text typed, the language; empty = cancelled
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
        m_script.push_back({Kind::Message, expectText, b, {}});
        return *this;
    }
    ScriptedPrompter& chooseOpen(const QString& path)
    {
        m_script.push_back({Kind::OpenFile, {}, Ok, path});
        return *this;
    }
    ScriptedPrompter& chooseSave(const QString& path)
    {
        m_script.push_back({Kind::SaveFile, {}, Ok, path});
        return *this;
    }

    // The input dialog: OK with this text (an empty text only where the mode accepts it).
    ScriptedPrompter& type(const QString& text)
    {
        m_script.push_back({Kind::Input, {}, Ok, text});
        return *this;
    }
    ScriptedPrompter& cancelInput()
    {
        m_script.push_back({Kind::Input, {}, Cancel, {}});
        return *this;
    }
    ScriptedPrompter& chooseFolder(const QString& path)
    {
        m_script.push_back({Kind::Folder, {}, Ok, path});
        return *this;
    }
    ScriptedPrompter& chooseFont(std::optional<QFont> font)
    {
        m_script.push_back({Kind::Font, {}, font ? Ok : Cancel, {}, font});
        return *this;
    }
    ScriptedPrompter& chooseLanguage(const QString& name) // empty = cancelled
    {
        m_script.push_back({Kind::Language, {}, name.isEmpty() ? Cancel : Ok, name});
        return *this;
    }
    // A list choice: the item at this index, or cancelled when negative.
    ScriptedPrompter& chooseItem(int index)
    {
        m_script.push_back({Kind::Choice, {}, index < 0 ? Cancel : Ok, QString::number(index)});
        return *this;
    }
    ScriptedPrompter& confirmFileList(bool ok)
    {
        m_script.push_back({Kind::FileList, {}, ok ? Ok : Cancel, {}});
        return *this;
    }

    const std::vector<Message>& messages() const { return m_messages; }
    const std::vector<QString>& starts() const { return m_starts; }   // where file dialogs opened
    const std::vector<QString>& folders() const { return m_folders; } // where folder dialogs opened
    const std::vector<InputShown>& inputs() const { return m_inputs; }
    const std::vector<QStringList>& languageLists() const { return m_languageLists; }
    const std::vector<QString>& fileListLabels() const { return m_fileListLabels; }
    const std::vector<QStringList>& choiceLists() const { return m_choiceLists; }

    Button message(QWidget*, const Message& m) override
    {
        m_messages.push_back(m);
        const Step* s = next(Kind::Message, m.text);
        if (!s)
            return (m.buttons & Cancel) ? Cancel : (m.buttons & No) ? No : Ok;
        EXPECT_TRUE(m.text.contains(s->expectText))
            << "message \"" << m.text.toStdString() << "\" does not contain \"" << s->expectText.toStdString()
            << "\"";
        const Button b = s->answer;
        m_script.pop_front();
        return b;
    }
    QString openFile(QWidget*, const QString& start, const QString& filter) override
    {
        m_starts.push_back(start);
        return file(Kind::OpenFile, filter);
    }
    QString saveFile(QWidget*, const QString&, const QString& filter, bool) override
    {
        return file(Kind::SaveFile, filter);
    }
    QString folder(QWidget*, const QString& title, const QString& directory) override
    {
        m_folders.push_back(directory);
        return file(Kind::Folder, title);
    }
    std::optional<QFont> font(QWidget*, const QFont&) override
    {
        const Step* s = next(Kind::Font, QStringLiteral("font dialog"));
        if (!s)
            return std::nullopt;
        const std::optional<QFont> f = s->font;
        m_script.pop_front();
        return f;
    }
    InputAnswer input(QWidget*, InputDialogState& state) override
    {
        m_inputs.push_back({state.title, state.mode, state.placeAtCursor});
        state.placeAtCursor = false;
        const Step* s = next(Kind::Input, state.title);
        if (!s)
            return {};
        InputAnswer a{s->answer == Ok, s->answer == Ok ? s->path : QString()};
        EXPECT_FALSE(a.ok && a.text.isEmpty() && !state.acceptsEmpty())
            << "OK with an empty text in mode " << state.mode << " (\"" << state.title.toStdString() << "\")";
        m_script.pop_front();
        return a;
    }
    bool fileList(QWidget*, FileListDialogState& state) override
    {
        m_fileListLabels.push_back(state.label);
        const Step* s = next(Kind::FileList, state.label);
        if (!s)
            return false;
        const bool ok = s->answer == Ok;
        m_script.pop_front();
        return ok;
    }
    std::optional<QString> selectLanguage(QWidget*, LanguageDialogState&, const QStringList& names) override
    {
        m_languageLists.push_back(names);
        const Step* s = next(Kind::Language, names.join(u','));
        if (!s)
            return std::nullopt;
        std::optional<QString> chosen;
        if (s->answer == Ok)
            chosen = s->path;
        m_script.pop_front();
        return chosen;
    }

    std::optional<int> chooseItem(QWidget*, const QString& title, const QString&, const QStringList& items,
                                  int) override
    {
        m_choiceLists.push_back(items);
        const Step* s = next(Kind::Choice, title);
        if (!s)
            return std::nullopt;
        std::optional<int> chosen;
        if (s->answer == Ok)
            chosen = s->path.toInt();
        m_script.pop_front();
        return chosen;
    }

  private:
    const Step* next(Kind kind, const QString& what)
    {
        if (m_script.empty() || m_script.front().kind != kind) {
            ADD_FAILURE() << "unexpected question (" << int(kind) << "): " << what.toStdString();
            return nullptr;
        }
        return &m_script.front();
    }
    QString file(Kind kind, const QString& filter)
    {
        const Step* s = next(kind, filter);
        if (!s)
            return {};
        const QString path = s->path;
        m_script.pop_front();
        return path;
    }

    std::deque<Step> m_script;
    std::vector<Message> m_messages;
    std::vector<QString> m_starts;
    std::vector<QString> m_folders;
    std::vector<InputShown> m_inputs;
    std::vector<QStringList> m_languageLists;
    std::vector<QString> m_fileListLabels;
    std::vector<QStringList> m_choiceLists;
};

} // namespace vx::test
