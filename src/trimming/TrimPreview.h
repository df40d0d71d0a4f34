#pragma once

#include "files/NameList.h"
#include "trimming/PictureBaseNames.h"

#include <memory>
#include <QHash>
#include <QString>
#include <vector>

namespace quorvel::trimming {

// What "Trim files" would take if pressed now, kept up to date as the lists
// change. It works on the lists' own names, shared with them, never on a copy
// as text: on a card that would be more than the lists themselves. The
// picture side is indexed again only when the picture list itself changed, so
// a change of the RAW side alone costs one look-up per RAW file, and a call
// with the lists it last saw costs nothing at all: it runs after every
// handler, a key that only moves a selection included.
class TrimPreview
{
public:
    // Brings the preview up to the lists shown now, whose RAW names were read
    // from rawFolder; with sidecars, it also tells which sidecars would go
    // along. True when anything it tells may have changed since the last call.
    bool update(std::shared_ptr<const files::NameList> rawNames,
                std::shared_ptr<const files::NameList> pictureNames, const QString &rawFolder,
                bool sidecars);

    // Indices, ascending, into the RAW names of the files the trim would move.
    const std::vector<int> &rawFiles() const { return m_rawFiles; }
    // For each of those rows that has sidecars going along, their names as a
    // note ("+ IMG_0001.NEF.xmp, IMG_0001.xmp"); empty without sidecars.
    const QHash<int, QString> &sidecarNotes() const { return m_sidecarNotes; }

private:
    void readSidecarNotes();

    std::unique_ptr<PictureBaseNames> m_pictures;
    std::shared_ptr<const files::NameList> m_raws;
    std::shared_ptr<const files::NameList> m_lastPictures;
    QString m_rawFolder;
    bool m_sidecars = false;
    std::vector<int> m_rawFiles;
    // The sidecars are not in the lists: they take a reading of the folder of
    // their own, so only when the RAW list was read again (a list read again
    // may have new sidecars beside it even when its names are the same) or
    // other files go.
    QHash<int, QString> m_sidecarNotes;
};

} // namespace quorvel::trimming
