#pragma once

#include "pictures/Picture.h"

#include <QImage>
#include <QWidget>

namespace quorvel::ui {

// The classic image control. Without Stretch it takes its picture's natural
// size; with Stretch it keeps its own size and scales its picture into it.
// Position and size are twips held as given, fractions included: a picture
// scaled to a box keeps its exact proportions, and only the widget on screen
// is rounded to whole pixels.
class Image : public QWidget
{
    Q_OBJECT

public:
    explicit Image(QWidget *parent = nullptr);

    // Places the image at left, top with size width x height, in twips.
    void Move(float left, float top, float width, float height);
    float Left() const { return m_left; }
    float Top() const { return m_top; }
    float Width() const { return m_width; }
    void setWidth(float twips);
    float Height() const { return m_height; }
    void setHeight(float twips);

    quorvel::pictures::Picture Picture() const { return m_picture; }
    // A stretching image decodes its picture here, at the size it shows it,
    // so that the work falls under the caller's busy pointer and a file that
    // is damaged past its header is known at once (RenderError).
    void setPicture(const quorvel::pictures::Picture &picture);
    // Takes picture with its rendition already decoded elsewhere, on a worker
    // thread: nothing is decoded here, then or later. Until it is handed a
    // new rendition, a resize draws this one scaled. A null rendition for a
    // picture means its data are damaged (RenderError).
    void setPicture(const quorvel::pictures::Picture &picture, const QImage &rendition);
    // Shows image scaled into the control while the picture itself is still
    // being decoded: Picture() is empty meanwhile.
    void setStandIn(const QImage &image);

    bool Stretch() const { return m_stretch; }
    void setStretch(bool stretch);

    bool Visible() const { return !isHidden(); }

    // errInvalidPicture when the picture could not be decoded at the size
    // shown, 0 otherwise.
    int RenderError() const { return m_renderError; }

    // The picture as decoded for the screen: device pixels, upright. Null
    // until it has been needed.
    const QImage &Rendition() const { return m_rendition; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void applyGeometry();
    void takeNaturalSize();
    QSize devicePixelSize() const;
    void render();

    float m_left = 0;
    float m_top = 0;
    float m_width = 0;
    float m_height = 0;
    bool m_stretch = false;
    quorvel::pictures::Picture m_picture;
    QImage m_rendition;
    QSize m_renderedFor;
    int m_renderError = 0;
    bool m_renditionHandedIn = false;
};

} // namespace quorvel::ui
