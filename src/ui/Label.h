#pragma once

#include <QLabel>

namespace quorvel::ui {

// The classic label: "\r\n" in a caption breaks the line, long captions wrap,
// and a click on it raises Click.
class Label : public QLabel
{
    Q_OBJECT

public:
    explicit Label(const QString &caption = QString(), QWidget *parent = nullptr);

    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    void setForeColor(quint32 color);

signals:
    void Click();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString m_caption;
};

} // namespace quorvel::ui
