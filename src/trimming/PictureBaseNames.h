#pragma once

#include "files/NameList.h"

#include <memory>
#include <QByteArrayView>
#include <QStringList>
#include <vector>

namespace quorvel::trimming {

// The base names of a picture list, indexed once, for telling which RAW files
// have no picture. The marks on the RAW list are brought up to date after
// every change of either list; keeping this between changes means a new RAW
// pattern costs one look-up per RAW file, not a new index of 40,000 pictures.
//
// Names are compared as the bytes the filesystem holds, which is exactly as
// the lists show them: a name's text and its bytes convert one to one, and
// "." is the same in both. The index is a table of positions in the list
// itself, some 10 bytes a picture, since the main window keeps it for as long
// as the list is shown.
class PictureBaseNames
{
public:
    explicit PictureBaseNames(const QStringList &pictureNames);
    explicit PictureBaseNames(std::shared_ptr<const files::NameList> pictureNames);

    // The list they were taken from.
    const files::NameList &names() const { return *m_names; }
    std::shared_ptr<const files::NameList> sharedNames() const { return m_names; }
    bool isEmpty() const { return m_names->isEmpty(); }

    // True when some picture has rawName's base name, compared exactly.
    bool keeps(QByteArrayView rawName) const;

    // Indices, ascending, of the RAW names that no picture keeps.
    std::vector<int> unmatched(const files::NameList &rawNames) const;

    // Takes over an identical list read again, without indexing it again.
    void adopt(std::shared_ptr<const files::NameList> sameNames);

private:
    void index();
    QByteArrayView nameAt(quint32 slotValue) const;

    std::shared_ptr<const files::NameList> m_names;
    // Open addressing: each slot holds one more than the index of a picture
    // whose base name hashes there, or 0, and above m_indexMask a few bits of
    // that base name's hash. Never more than half full.
    std::vector<quint32> m_slots;
    size_t m_mask = 0;
    quint32 m_indexMask = ~quint32(0);
};

} // namespace quorvel::trimming
