#pragma once

#include "files/Volume.h"

#include <QList>
#include <QString>

namespace quorvel::import {

// Which of the mounted volumes hold a camera's card: those with a DCIM
// folder at their root, as every camera writes one. The import window asks
// again whenever the volume table changes, so that a card put in while it is
// open appears and one taken out leaves.
class CardVolumes
{
public:
    static QList<files::Volume> of(const QList<files::Volume> &volumes);
    // Whether folder holds a DCIM folder (any case: a FAT card may be
    // mounted with its short names in lower case). A link named DCIM is
    // not followed, as the import follows none.
    static bool holdsCard(const QString &folder);
    // How a card is listed: its label and where it is mounted.
    static QString shownName(const files::Volume &volume);
};

} // namespace quorvel::import
