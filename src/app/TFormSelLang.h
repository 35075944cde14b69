#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

namespace vx::app {

class BlinkLabel;

// The language selection dialog: one row per language name, sorted by text. OK is enabled
// exactly while a row is selected; OK, Enter or Escape while it is enabled, or a double click on a
// selected row, end it with Accepted. Escape without a selection does nothing; only closing the
// window cancels.
class TFormSelLang : public QDialog
{
    Q_OBJECT
  public:
    explicit TFormSelLang(QWidget* parent = nullptr);

    // The names the next showing lists.
    void setLanguages(const QStringList& names) { m_names = names; }
    // The selected row's caption; empty when none is selected.
    QString selectedLanguage() const;

    QListWidget* list() const { return m_list; }

  public Q_SLOTS:
    void RzListViewSelectItem();
    void RzListViewDblClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Every showing starts afresh: OK disabled, the rows listed, none selected, the list focused.
    void FormShow();

    BlinkLabel* m_label;
    QListWidget* m_list;
    QPushButton* m_ok;
    QStringList m_names;
};

} // namespace vx::app
