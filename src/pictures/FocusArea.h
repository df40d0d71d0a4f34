#pragma once

#include <QList>
#include <QRectF>
#include <QString>

namespace quorvel::pictures {

// Where the camera focused, as its file records it, in the picture as it is
// shown: fractions of the upright picture's width and height, (0, 0) at its
// top-left corner, whatever the camera's own frame for its AF fields.
struct FocusArea
{
    // The areas in focus: one for most cameras, several where the camera
    // marks more than one of its points. A point is an area of no size.
    QList<QRectF> areas;
    // Set when the file records a focus point that makes no sense (outside
    // the frame, of no size where a size is due, a layout not known): why,
    // for what is said once; areas is then empty.
    QString problem;

    bool recorded() const { return !areas.isEmpty(); }
    // All the areas together; their middle is where one to one goes.
    QRectF bounds() const
    {
        QRectF all;
        for (const QRectF &area : areas)
            all = all.isNull() ? area : all.united(area);
        return all;
    }
};

} // namespace quorvel::pictures
