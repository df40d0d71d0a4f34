#include "about/ProgramIconEngine.h"

#include <algorithm>
#include <array>
#include <QApplication>
#include <QImageReader>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace quorvel::about {
namespace {

// The sizes drawn for the icon, ascending; each is a PNG under ":/icons/".
constexpr std::array<int, 7> drawnSides = {16, 24, 32, 48, 64, 128, 256};

} // namespace

int ProgramIconEngine::sideFor(const QSize &size)
{
    return std::clamp(std::min(size.width(), size.height()), 1, drawnSides.back());
}

QPixmap ProgramIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State)
{
    const int side = sideFor(size);
    // The smallest drawing at least as large as asked for, scaled down if need
    // be: the artist's own small sizes beat a scaled-down large one.
    const int drawn = *std::find_if(drawnSides.begin(), drawnSides.end(),
                                    [side](int candidate) { return candidate >= side; });
    auto found = m_drawn.find(drawn);
    if (found == m_drawn.end()) {
        // The format is named, so no time goes into guessing it.
        QImageReader reader(QStringLiteral(":/icons/quorvel-%1.png").arg(drawn), "png");
        found = m_drawn.insert(drawn, QPixmap::fromImage(reader.read()));
    }
    QPixmap result = drawn == side ? found.value()
                                   : found.value().scaled(side, side, Qt::KeepAspectRatio,
                                                          Qt::SmoothTransformation);
    if (mode != QIcon::Normal && qobject_cast<QApplication *>(QCoreApplication::instance())) {
        QStyleOption option;
        option.palette = QApplication::palette();
        result = QApplication::style()->generatedIconPixmap(mode, result, &option);
    }
    return result;
}

void ProgramIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode,
                              QIcon::State state)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    QPixmap shown = pixmap(rect.size() * ratio, mode, state);
    shown.setDevicePixelRatio(ratio);
    const QSize shownSize = shown.deviceIndependentSize().toSize();
    painter->drawPixmap(QRect(rect.topLeft() + QPoint((rect.width() - shownSize.width()) / 2,
                                                      (rect.height() - shownSize.height()) / 2),
                              shownSize),
                        shown);
}

QSize ProgramIconEngine::actualSize(const QSize &size, QIcon::Mode, QIcon::State)
{
    const int side = sideFor(size);
    return {side, side};
}

QList<QSize> ProgramIconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    QList<QSize> sizes;
    for (const int side : drawnSides)
        sizes.append(QSize(side, side));
    return sizes;
}

QIconEngine *ProgramIconEngine::clone() const
{
    return new ProgramIconEngine(*this);
}

QString ProgramIconEngine::key() const
{
    return QStringLiteral("ProgramIconEngine");
}

} // namespace quorvel::about
