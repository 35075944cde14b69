#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vx::app {

// The single-line input dialog, made once and reused by every command that asks for a text.
// What a caller sets (caption, mode, place-at-cursor) stays until the next caller changes it;
// the mode decides the buttons and whether an empty text may be confirmed:
//   1: OK and Cancel, OK disabled while the text is empty;  3: OK only, disabled while empty;
//   4: OK only;  any other value: OK and Cancel.
// The result is Accepted for OK (the button, or Enter while OK is enabled) and Rejected for
// Cancel, Escape or closing the window.
class TFormInput : public QDialog
{
    Q_OBJECT
  public:
    explicit TFormInput(QWidget* parent = nullptr);

    void setMode(int mode) { m_mode = mode; }
    int mode() const { return m_mode; }
    // Centre the next showing on the pointer; the showing resets it.
    void setPlaceAtCursor(bool on) { m_placeAtCursor = on; }
    bool placeAtCursor() const { return m_placeAtCursor; }

    QString text() const;
    QLineEdit* edit() const { return m_edit; }

  public Q_SLOTS:
    // Modes 1 and 3: OK is enabled exactly when the text is not empty.
    void RzEditChange();
    void RzBitBtnCancelClick();

  protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    // Prepares every showing: button captions, placement, mode, an empty focused edit.
    void FormShow();

    QLineEdit* m_edit;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QMetaObject::Connection m_textCheck;
    int m_mode = 0;
    bool m_placeAtCursor = false;
};

} // namespace vx::app
