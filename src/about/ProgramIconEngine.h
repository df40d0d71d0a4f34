#pragma once

#include <QHash>
#include <QIconEngine>
#include <QPixmap>

namespace quorvel::about {

// The program icon's PNGs, each read only when a size of it is first asked
// for. Adding the files to a plain QIcon reads every one of them at once, and
// finding out their format loads every image plugin Qt has: a sixth of the
// program's start-up, for an icon that a window system may never ask for.
class ProgramIconEngine final : public QIconEngine
{
public:
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine *clone() const override;
    QString key() const override;
    bool isNull() override { return false; }

private:
    // The square size a request gets: what it asks for, at most the largest drawn.
    static int sideFor(const QSize &size);

    QHash<int, QPixmap> m_drawn; // by side, as read from the files
};

} // namespace quorvel::about
