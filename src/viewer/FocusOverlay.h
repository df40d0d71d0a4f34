#pragma once

#include <optional>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QWidget>

namespace quorvel::viewer {

// Drawn over a picture, never into it: the focus frame (the camera's focus
// areas) and the peaking mask, each where its part of the picture is. The
// mouse goes through it to the picture below (a double-click, a drag).
class FocusOverlay : public QWidget
{
    Q_OBJECT

public:
    // The side, in this widget's pixels, of the square drawn around a focus
    // point that has no size.
    static constexpr int pointSide = 24;

    explicit FocusOverlay(QWidget *parent = nullptr);

    // What is drawn: areas are fractions of the upright picture; mask is the
    // peaking mask at any size, transparent where there is no edge in focus.
    void setAreas(const QList<QRectF> &areas);
    void setMask(const QImage &mask);
    // Where the picture is, in this widget's pixels; the whole widget unless
    // told otherwise.
    void setPictureRect(const QRectF &picture);
    // The frame of each area, in this widget's pixels, as it is drawn.
    QList<QRectF> frames() const;
    bool hasMask() const { return !m_mask.isNull(); }
    QSize maskSize() const { return m_mask.size(); }
    // Anything to draw at all: with nothing, the overlay is best hidden, as
    // each paint of the picture beneath would paint it too.
    bool hasContent() const { return hasMask() || !m_areas.isEmpty(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QRectF pictureRect() const;

    QList<QRectF> m_areas;
    QImage m_mask;
    std::optional<QRectF> m_picture;
};

} // namespace quorvel::viewer
