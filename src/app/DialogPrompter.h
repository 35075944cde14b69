#pragma once

#include "prompter/Prompter.h"

#include <memory>

namespace vx::app {

class TFormInput;
class TFormFileList;
class TFormSelLang;

// The prompter that shows Qt dialogs. The input, file-list and language dialogs are made once
// and reused, as the program's own dialogs are.
class DialogPrompter final : public Prompter
{
  public:
    DialogPrompter();
    ~DialogPrompter() override;

    Button message(QWidget* parent, const Message& m) override;
    QString openFile(QWidget* parent, const QString& start, const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& proposed, const QString& filter,
                     bool confirmOverwrite) override;
    QString folder(QWidget* parent, const QString& title, const QString& directory) override;
    std::optional<QFont> font(QWidget* parent, const QFont& initial) override;
    InputAnswer input(QWidget* parent, InputDialogState& state) override;
    bool fileList(QWidget* parent, FileListDialogState& state) override;
    std::optional<QString> selectLanguage(QWidget* parent, LanguageDialogState& state,
                                          const QStringList& names) override;
    std::optional<int> chooseItem(QWidget* parent, const QString& title, const QString& label,
                                  const QStringList& items, int current) override;

    // "Project File(*.vx7)|*.vx7" -> "Project File(*.vx7) (*.vx7)".
    static QString qtFilter(const QString& filter);

    // The one instance, made the default prompter on first use.
    static DialogPrompter& instance();

  private:
    std::unique_ptr<TFormInput> m_input;
    std::unique_ptr<TFormFileList> m_fileList;
    std::unique_ptr<TFormSelLang> m_selLang;
};

} // namespace vx::app
