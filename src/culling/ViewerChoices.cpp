#include "culling/ViewerChoices.h"

#include <QSettings>

namespace quorvel::culling {

namespace {

const QString focusFrameKey = QStringLiteral("viewer/focusFrame");
const QString peakingKey = QStringLiteral("viewer/peaking");

} // namespace

ViewerChoices ViewerChoices::load(const QSettings &settings)
{
    return {settings.value(focusFrameKey, false).toBool(),
            settings.value(peakingKey, false).toBool()};
}

// Written through at once: a viewer left by a crash or a killed session
// still keeps what the user chose.
void ViewerChoices::save(QSettings &settings) const
{
    settings.setValue(focusFrameKey, focusFrame);
    settings.setValue(peakingKey, peaking);
    settings.sync();
}

} // namespace quorvel::culling
