#pragma once

#include "pictures/FocusArea.h"
#include "viewer/PictureStage.h"

#include <optional>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRect>

class QSettings;

namespace quorvel::ui {
class Image;
}

namespace quorvel::viewer {

class ActualPixels;
class FocusOverlay;

// The viewer's aids for judging focus, over the picture box: one to one
// (ActualPixels), opened by Z at the camera's focus point, at the sharpest
// area while peaking is on, or at the centre, and by a double-click under
// the pointer; the focus frame (F) and focus peaking (P), drawn over the
// picture wherever it is shown, box, full screen or one to one. F and P
// hold for the next pictures and, given settings, for the next run.
class CloseLook : public QObject
{
    Q_OBJECT

public:
    // box is the picture box of dialog, over which everything is drawn.
    // settings: null, the choices start off and are not kept.
    CloseLook(PictureStage &stage, ui::Image &box, QWidget *dialog, QSettings *settings,
              QObject *parent = nullptr);

    // Where one to one goes, in the dialog's pixels: the box's whole area.
    void setArea(const QRect &area);
    bool showsActualPixels() const;
    // Z: one to one and back.
    void toggle();
    // A double-click: one to one with the point under the pointer kept there.
    void toggleUnderPointer();
    void leave();

    void toggleFocusFrame();
    void togglePeaking();
    bool showsFocusFrame() const { return m_focusFrame; }

signals:
    // What the last key did, for the status line; empty for nothing to say.
    void news(const QString &news);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void show(QPointF focus, std::optional<QPoint> at);
    void takeLooks(const PictureStage::Decoded *decoded);
    void drawLooks();
    void saveChoices() const;

    PictureStage &m_stage;
    ui::Image &m_box;
    QSettings *const m_settings;
    ActualPixels *const m_actualPixels;
    FocusOverlay *const m_boxOverlay;
    FocusOverlay *const m_actualOverlay;
    bool m_focusFrame = false;
    bool m_peaking = false;
    // What the picture on screen carries.
    pictures::FocusArea m_focus;
    QImage m_mask;
    std::optional<QPointF> m_sharpest;
};

} // namespace quorvel::viewer
