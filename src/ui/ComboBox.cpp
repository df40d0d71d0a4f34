#include "ui/ComboBox.h"

#include "ui/Keys.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>

namespace quorvel::ui {

ComboBox::ComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr); // completion would turn "*.cr2" into "*.cr2 (Canon)" while typing
    setMaxVisibleItems(18);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (m_typingEnds)
            return;
        m_chosen = itemText(index);
        emit Click();
    });
    // Some entries ("*.mrw (Minolta)") are wider than the box. A text field
    // shows the end of a text it is given, which would hide the pattern
    // itself; the start is what matters.
    connect(this, &QComboBox::currentIndexChanged, this, &ComboBox::showTextStart);
}

void ComboBox::showTextStart()
{
    if (lineEdit())
        lineEdit()->home(false);
}

// When typing ends, by Enter or by the focus moving on (opening the list
// moves it too), QComboBox picks the entry whose text was typed and reports
// it as activated. Typing is not a choice from the list: no Click for that.
void ComboBox::keyPressEvent(QKeyEvent *event)
{
    const bool enter = isEnterKey(event);
    {
        const QScopedValueRollback<bool> typingEnds(m_typingEnds, enter || m_typingEnds);
        QComboBox::keyPressEvent(event);
    }
    if (enter)
        emit TypingEnded();
}

void ComboBox::focusOutEvent(QFocusEvent *event)
{
    {
        const QScopedValueRollback<bool> typingEnds(m_typingEnds, true);
        QComboBox::focusOutEvent(event);
        showTextStart();
    }
    // Opening the box's own list is no end of typing: a choice may follow.
    if (event->reason() != Qt::PopupFocusReason)
        emit TypingEnded();
}

void ComboBox::setText(const QString &text)
{
    m_chosen = text;
    setEditText(text);
    showTextStart();
}

void ComboBox::showChosen()
{
    if (currentText() == m_chosen)
        return;
    const QSignalBlocker blocker(this);
    setCurrentIndex(findText(m_chosen, Qt::MatchExactly | Qt::MatchCaseSensitive));
    setEditText(m_chosen);
    showTextStart();
}

void ComboBox::AddItem(const QString &item)
{
    const QString shown = currentText();
    const QSignalBlocker blocker(this);
    addItem(item);
    // Only the first entry becomes the current one; after that the text is
    // still the one shown, and laying it out again for each of the entries
    // was a good part of the window's start-up.
    if (currentIndex() != -1 || currentText() != shown) {
        setCurrentIndex(-1);
        setEditText(shown);
        showTextStart();
    }
}

} // namespace quorvel::ui
