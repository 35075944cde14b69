#pragma once

#include "app/Prompter.h"

#include <QString>
#include <deque>
#include <gtest/gtest.h>
#include <vector>

namespace vx::test {

// Answers the program's questions from a script, in order. A question the script does not expect
// fails the test; so does a script with answers left over when the prompter goes.
class ScriptedPrompter : public app::Prompter
{
public:
    enum class Kind { Message, OpenFile, SaveFile, Folder, Font };
    struct Step
    {
        Kind kind;
        QString expectText; // the message must contain this (messages only)
        Button answer = Ok;
        QString path; // the file or folder chosen; empty = cancelled
    };

    ScriptedPrompter() { app::Prompter::install(this); }
    ~ScriptedPrompter() override
    {
        app::Prompter::install(nullptr);
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

    const std::vector<Message>& messages() const { return m_messages; }
    const std::vector<QString>& filters() const { return m_filters; }

    Button message(QWidget*, const Message& m) override
    {
        m_messages.push_back(m);
        const Step* s = next(Kind::Message, m.text);
        if (!s)
            return (m.buttons & Cancel) ? Cancel : (m.buttons & No) ? No : Ok;
        EXPECT_TRUE(m.text.contains(s->expectText))
            << "message \"" << m.text.toStdString() << "\" does not contain \"" << s->expectText.toStdString() << "\"";
        const Button b = s->answer;
        m_script.pop_front();
        return b;
    }
    QString openFile(QWidget*, const QString&, const QString& filter) override { return file(Kind::OpenFile, filter); }
    QString saveFile(QWidget*, const QString&, const QString& filter, bool) override
    {
        return file(Kind::SaveFile, filter);
    }
    QString folder(QWidget*, const QString&, const QString&) override { return file(Kind::Folder, {}); }
    std::optional<QFont> font(QWidget*, const QFont&) override
    {
        ADD_FAILURE() << "unexpected font dialog";
        return std::nullopt;
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
        m_filters.push_back(filter);
        const Step* s = next(kind, filter);
        if (!s)
            return {};
        const QString path = s->path;
        m_script.pop_front();
        return path;
    }

    std::deque<Step> m_script;
    std::vector<Message> m_messages;
    std::vector<QString> m_filters;
};

} // namespace vx::test
