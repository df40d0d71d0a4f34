#pragma once

class QSettings;

namespace quorvel::culling {

// What the viewer's toggles were left at: the focus frame (F) and focus
// peaking (P) hold for the next pictures and for the next run, kept in the
// program's settings like the trim options.
struct ViewerChoices
{
    bool focusFrame = false;
    bool peaking = false;

    // Off, both, where the settings hold nothing yet.
    static ViewerChoices load(const QSettings &settings);
    void save(QSettings &settings) const;
};

} // namespace quorvel::culling
