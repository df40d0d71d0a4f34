#pragma once

#include "viewer/PictureStage.h"

#include <QObject>

namespace quorvel::ui {
class Image;
class Label;
} // namespace quorvel::ui

namespace quorvel::viewer {

// Paints the stage on the dialog's controls: the picture in its box, the
// thumbnail standing in for it, or the red line saying it can't be loaded,
// and tells the stage how the painting went. measure is the hidden image
// that gives a picture's natural size in twips.
class PictureView : public QObject
{
    Q_OBJECT

public:
    PictureView(PictureStage &stage, ui::Image &box, ui::Image &measure, ui::Label &failureLine,
                QObject *parent = nullptr);

    // The opening's picture, read as it is now.
    void open(const QString &path);
    // A key has reached path: its picture when it is decoded, else what is
    // shown stays until its stand-in or itself lands.
    void moveTo(const QString &path);
    // Nothing shown.
    void clear();
    // The picture up again, scaled to the stage's new box, until its decode
    // for that box lands. wholeShown: one to one is shown over it.
    void rescale(bool wholeShown);
    // The box's corner where the stage's box starts.
    void placeCorner();

signals:
    // A picture awaited has landed and is shown.
    void landed();

private:
    void show(const PictureStage::Decoded &decoded);
    void showStandIn(const QImage &thumbnail);
    void showFailure();

    PictureStage &m_stage;
    ui::Image &m_box;
    ui::Image &m_measure;
    ui::Label &m_failureLine;
};

} // namespace quorvel::viewer
