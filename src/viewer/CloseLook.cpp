#include "viewer/CloseLook.h"

#include "culling/StatusLine.h"
#include "culling/ViewerChoices.h"
#include "ui/Image.h"
#include "viewer/ActualPixels.h"
#include "viewer/FocusOverlay.h"

#include <QEvent>

namespace quorvel::viewer {

CloseLook::CloseLook(PictureStage &stage, ui::Image &box, QWidget *dialog, QSettings *settings,
                     QObject *parent)
    : QObject(parent), m_stage(stage), m_box(box), m_settings(settings),
      m_actualPixels(new ActualPixels(dialog)), m_boxOverlay(new FocusOverlay(dialog)),
      m_actualOverlay(new FocusOverlay(m_actualPixels))
{
    m_actualPixels->setObjectName(QStringLiteral("ActualPixels"));
    m_actualPixels->hide();
    m_boxOverlay->setObjectName(QStringLiteral("BoxOverlay"));
    m_boxOverlay->hide();
    m_actualOverlay->setObjectName(QStringLiteral("ActualPixelsOverlay"));
    // The overlay follows the box wherever the layout or a picture puts it.
    m_box.installEventFilter(this);
    connect(m_actualPixels, &ActualPixels::DblClick, this, &CloseLook::toggleUnderPointer);
    connect(m_actualPixels, &ActualPixels::moved, this, [this] {
        m_actualOverlay->setGeometry(m_actualPixels->rect());
        m_actualOverlay->setPictureRect(m_actualPixels->shownRect());
    });
    // The whole decode lands, and then its mask.
    connect(&m_stage, &PictureStage::wholeDecoded, this, [this](const QImage &whole) {
        if (m_actualPixels->isHidden())
            return;
        if (!m_actualPixels->showsWholeDecode())
            m_actualPixels->setImage(whole);
        drawLooks();
    });
    connect(&m_stage, &PictureStage::onScreen, this, &CloseLook::takeLooks);
    // Before the first opening, so that its decode comes as chosen.
    const culling::ViewerChoices choices =
        m_settings ? culling::ViewerChoices::load(*m_settings) : culling::ViewerChoices();
    m_focusFrame = choices.focusFrame;
    m_peaking = choices.peaking;
    m_stage.setFocusFrame(m_focusFrame);
    m_stage.setPeaking(m_peaking);
}

void CloseLook::setArea(const QRect &area)
{
    m_actualPixels->setGeometry(area);
}

bool CloseLook::showsActualPixels() const
{
    return m_actualPixels->isVisible();
}

// The frame's place is where the camera focused, which is what the user
// zooms in to check; without one, the sharpest area the peaking measure
// found is the next best guess.
void CloseLook::toggle()
{
    if (m_actualPixels->isVisible()) {
        leave();
        m_stage.decodeAhead();
        return;
    }
    if (!m_stage.showsPicture())
        return;
    if (m_focus.recorded()) {
        show(m_focus.bounds().center(), m_actualPixels->rect().center());
        emit news(culling::StatusLine::oneToOneAtFocusPoint());
    } else if (m_peaking && m_sharpest) {
        show(*m_sharpest, m_actualPixels->rect().center());
        emit news(culling::StatusLine::oneToOneAtSharpest());
    } else {
        show(QPointF(0.5, 0.5), m_actualPixels->rect().center());
        emit news(culling::StatusLine::oneToOneAtCentre());
    }
}

void CloseLook::toggleUnderPointer()
{
    if (m_actualPixels->isVisible()) {
        leave();
        m_stage.decodeAhead();
        return;
    }
    if (m_stage.showsPicture())
        show(QPointF(), std::nullopt);
}

// at: none, the point under the pointer stays where it is.
void CloseLook::show(QPointF focus, std::optional<QPoint> at)
{
    if (at) {
        m_actualPixels->showPicture(m_box.Rendition(), m_box.Picture().size(), focus, *at);
        m_actualPixels->show();
        m_actualPixels->raise();
    } else {
        m_actualPixels->showOver(m_box);
    }
    if (const QImage *whole = m_stage.whole())
        m_actualPixels->setImage(*whole);
    else
        m_stage.awaitWhole();
}

void CloseLook::leave()
{
    if (m_actualPixels->isHidden())
        return;
    m_actualPixels->hide();
    m_actualPixels->clear();
    m_stage.releaseWhole();
}

void CloseLook::toggleFocusFrame()
{
    m_focusFrame = !m_focusFrame;
    m_stage.setFocusFrame(m_focusFrame);
    drawLooks();
    saveChoices();
    emit news(QString());
}

void CloseLook::togglePeaking()
{
    m_peaking = !m_peaking;
    m_stage.setPeaking(m_peaking);
    drawLooks();
    saveChoices();
    emit news(QString());
}

// Copied, not pointed to: the cache may drop the decode while its picture
// is still up.
void CloseLook::takeLooks(const PictureStage::Decoded *decoded)
{
    m_focus = decoded ? decoded->focus : pictures::FocusArea();
    m_mask = decoded ? decoded->peaking : QImage();
    m_sharpest = decoded ? decoded->sharpest : std::nullopt;
    drawLooks();
}

void CloseLook::drawLooks()
{
    const QList<QRectF> areas = m_focusFrame ? m_focus.areas : QList<QRectF>();
    const QImage mask = m_peaking ? m_mask : QImage();
    for (FocusOverlay *overlay : {m_boxOverlay, m_actualOverlay}) {
        overlay->setAreas(areas);
        overlay->setMask(mask);
    }
    // One to one has a mask of its own, as fine as itself, once it is made.
    const QImage *wholeMask =
        m_peaking && m_actualPixels->isVisible() ? m_stage.wholePeaking() : nullptr;
    if (wholeMask)
        m_actualOverlay->setMask(*wholeMask);
    m_boxOverlay->setVisible(!m_box.isHidden() && m_boxOverlay->hasContent());
    m_actualOverlay->setVisible(m_actualOverlay->hasContent());
}

void CloseLook::saveChoices() const
{
    if (m_settings)
        culling::ViewerChoices{m_focusFrame, m_peaking}.save(*m_settings);
}

bool CloseLook::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_box) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            m_boxOverlay->setGeometry(m_box.geometry());
            m_boxOverlay->setVisible(!m_box.isHidden() && m_boxOverlay->hasContent());
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quorvel::viewer
