#pragma once

#include <QList>

namespace quorvel::culling {

// Which pictures around the one shown to decode, to keep decoded, and whose
// thumbnails to read, from where the user is and how fast the keys come. It
// is arithmetic on list positions only: the viewer maps them to files.
struct DecodeAheadPlan
{
    // How the keys come: the time between the last moves, smoothed (0 for a
    // user who stopped to look), and how long a decode takes here.
    struct Pace
    {
        double moveMilliseconds = 0;
        double decodeMilliseconds = 0;
    };

    // The entries to decode, most wanted first; those to keep decoded, the
    // wanted among them; those whose thumbnails to read. Every one lies in
    // the list.
    QList<int> wanted;
    QList<int> kept;
    QList<int> thumbnails;
    // Of the kept, those whose decodes may start or go on: a held key stops
    // those of the pictures it has passed, which would land unseen.
    QList<int> underWay;
    // Of the thumbnails, those worth reading now, in the order to read them.
    // A held key reads none behind the one shown: it has passed them, and
    // their reads would take a core from the decodes ahead.
    QList<int> thumbnailReads;

    // index: the entry shown; direction: +1 or -1, the way the last key went;
    // count: the entries in the list; budget: the most decoded pictures the
    // memory may hold at once.
    static DecodeAheadPlan make(int index, int direction, Pace pace, int count, int budget);

    // What the viewer holds at most: a held key's lead, the pictures either
    // side of it and the one shown.
    static constexpr int defaultBudget = 11;

    friend bool operator==(const DecodeAheadPlan &, const DecodeAheadPlan &) = default;
};

} // namespace quorvel::culling
