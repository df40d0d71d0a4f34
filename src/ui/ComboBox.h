#pragma once

#include <QComboBox>

namespace quorvel::ui {

// The classic combo box with editable text. Click follows a choice from the
// list; typing raises nothing, so a half-typed pattern changes no list. The
// end of typing without a choice (Enter, the focus moving on) raises
// TypingEnded, after which the box may show the entry chosen last again.
class ComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit ComboBox(QWidget *parent = nullptr);

    QString Text() const { return currentText(); }
    void setText(const QString &text);
    // Appends an entry; the shown text stays what it was.
    void AddItem(const QString &item);

    // The text last set or chosen from the list: what typing has not changed.
    QString Chosen() const { return m_chosen; }
    // Puts Chosen() back in place of anything typed since.
    void showChosen();

signals:
    void Click();
    void TypingEnded();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void showTextStart();

    bool m_typingEnds = false;
    QString m_chosen;
};

} // namespace quorvel::ui
