#pragma once

#include <QObject>

namespace quorvel::bench {

// Counts the paint events of the widget it is installed on as an event
// filter: a new listing or a refreshed list counts as shown only once it has
// been painted, which is what the user waits for.
class PaintCounter final : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace quorvel::bench
