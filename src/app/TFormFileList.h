#pragma once

#include <QDialog>

class QDialogButtonBox;
class QPlainTextEdit;
class QPushButton;

namespace vx::app {

class BlinkLabel;

// The file-list confirmation: the caller's message blinking in red above the runtime file names,
// one per line, and OK and Cancel with the captions the caller sets. Centred on the desktop.
class TFormFileList : public QDialog
{
    Q_OBJECT
  public:
    explicit TFormFileList(QWidget* parent = nullptr);

    void setMessage(const QString& text);
    QString message() const;
    void setButtonTexts(const QString& ok, const QString& cancel);
    // The names as the memo holds them, one per line.
    QStringList fileNames() const;

    QPlainTextEdit* memo() const { return m_memo; }
    QPushButton* okButton() const;
    QPushButton* cancelButton() const;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    BlinkLabel* m_label;
    QPlainTextEdit* m_memo;
    QDialogButtonBox* m_buttons;
};

} // namespace vx::app
