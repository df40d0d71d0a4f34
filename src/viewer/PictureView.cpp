#include "viewer/PictureView.h"

#include "pictures/Picture.h"
#include "ui/ForeColor.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/Screen.h"

namespace quorvel::viewer {

PictureView::PictureView(PictureStage &stage, ui::Image &box, ui::Image &measure,
                         ui::Label &failureLine, QObject *parent)
    : QObject(parent), m_stage(stage), m_box(box), m_measure(measure), m_failureLine(failureLine)
{
    connect(&m_stage, &PictureStage::standIn, this, &PictureView::showStandIn);
    connect(&m_stage, &PictureStage::landed, this, [this](const PictureStage::Decoded &decoded) {
        clear();
        show(decoded);
        emit landed();
    });
}

// On opening the display waits for the picture, as it is to be complete on
// return.
void PictureView::open(const QString &path)
{
    ui::Screen::setMousePointer(ui::Screen::vbHourglass);
    const PictureStage::Decoded &decoded = m_stage.open(path);
    clear();
    show(decoded);
}

void PictureView::moveTo(const QString &path)
{
    if (const PictureStage::Decoded *decoded = m_stage.moveTo(path)) {
        clear();
        show(*decoded);
    } else {
        m_failureLine.setCaption(QString());
    }
}

void PictureView::clear()
{
    m_stage.clear();
    m_failureLine.setCaption(QString());
    m_box.setPicture(pictures::Picture());
    m_box.setVisible(false);
    m_measure.setStretch(false);
    m_measure.setVisible(false);
}

void PictureView::show(const PictureStage::Decoded &decoded)
{
    if (decoded.errorNumber > 0) {
        showFailure();
        return;
    }
    m_measure.setPicture(decoded.picture);
    const ui::DisplayBox::Placement place =
        m_stage.box().place(m_measure.Width(), m_measure.Height());
    // In the dialog's own box the corner stays where it is; it moves only
    // after full screen, or to centre a picture there.
    if (m_box.Left() != place.left || m_box.Top() != place.top)
        m_box.Move(place.left, place.top, m_box.Width(), m_box.Height());
    m_box.setHeight(place.height);
    if (place.width)
        m_box.setWidth(*place.width);
    m_box.setStretch(true);
    m_box.setPicture(m_measure.Picture(), decoded.image);
    // A file whose header reads well can still be cut off or damaged further
    // in. That shows only when it is decoded at the size shown, and to the
    // user it is the same failure.
    if (m_box.RenderError() > 0) {
        m_box.setPicture(pictures::Picture());
        showFailure();
        return;
    }
    m_box.setVisible(true);
    m_stage.shown(decoded);
    ui::Screen::setMousePointer(ui::Screen::vbDefault);
}

void PictureView::showStandIn(const QImage &thumbnail)
{
    const ui::DisplayBox::Placement place =
        m_stage.box().place(float(thumbnail.width()), float(thumbnail.height()));
    m_box.Move(place.left, place.top, place.width.value_or(m_box.Width()), place.height);
    m_box.setStretch(true);
    m_box.setStandIn(thumbnail);
    m_box.setVisible(true);
}

void PictureView::showFailure()
{
    m_failureLine.setCaption(QStringLiteral("CAN'T LOAD PICTURE FORMAT ..."));
    m_failureLine.setForeColor(ui::vbRed);
    m_stage.failed();
    ui::Screen::setMousePointer(ui::Screen::vbDefault);
}

void PictureView::rescale(bool wholeShown)
{
    const bool pictureUp = m_box.Visible() && !m_box.Picture().isNull();
    if (pictureUp) {
        const ui::DisplayBox::Placement place =
            m_stage.box().place(m_measure.Width(), m_measure.Height());
        m_box.Move(place.left, place.top, place.width.value_or(m_box.Width()), place.height);
    }
    m_stage.restage(pictureUp, wholeShown);
}

void PictureView::placeCorner()
{
    const QRectF area = m_stage.box().areaTwips();
    if (m_box.Left() != float(area.left()) || m_box.Top() != float(area.top()))
        m_box.Move(float(area.left()), float(area.top()), m_box.Width(), m_box.Height());
}

} // namespace quorvel::viewer
