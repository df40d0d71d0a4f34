#include "ui/Label.h"

#include "ui/ForeColor.h"

#include <QMouseEvent>

namespace quorvel::ui {

Label::Label(const QString &caption, QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setCaption(caption);
}

void Label::setCaption(const QString &caption)
{
    m_caption = caption;
    QString shown = caption;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    setText(shown);
}

void Label::setForeColor(quint32 color)
{
    applyForeColor(this, color);
}

// A label takes its own clicks. Passed on, as QLabel does, they would reach
// the window beneath as clicks on its background, which mean something there.
void Label::mousePressEvent(QMouseEvent *event)
{
    QLabel::mousePressEvent(event);
    event->accept();
}

void Label::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
    QLabel::mouseReleaseEvent(event);
    event->accept();
}

} // namespace quorvel::ui
