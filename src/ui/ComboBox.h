#pragma once

#include <QComboBox>

namespace quorvel::ui {

// The classic combo box with editable text. Click follows a choice from the
// list; typing raises nothing, so a half-typed pattern changes no list.
class ComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit ComboBox(QWidget *parent = nullptr);

    QString Text() const { return currentText(); }
    void setText(const QString &text);
    // Appends an entry; the shown text stays what it was.
    void AddItem(const QString &item);

signals:
    void Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void showTextStart();

    bool m_typingEnds = false;
};

} // namespace quorvel::ui
