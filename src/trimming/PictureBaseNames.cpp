#include "trimming/PictureBaseNames.h"

#include "files/FileNames.h"
#include "trimming/BaseName.h"

#include <algorithm>
#include <bit>
#include <QHashFunctions>

namespace quorvel::trimming {

PictureBaseNames::PictureBaseNames(const QStringList &pictureNames)
    : m_names(std::make_shared<const files::NameList>(files::NameList::encoded(pictureNames)))
{
    index();
}

PictureBaseNames::PictureBaseNames(std::shared_ptr<const files::NameList> pictureNames)
    : m_names(std::move(pictureNames))
{
    index();
}

void PictureBaseNames::adopt(std::shared_ptr<const files::NameList> sameNames)
{
    Q_ASSERT(*sameNames == *m_names);
    m_names = std::move(sameNames);
}

namespace {

// A slot keeps, beside the picture's position, eight more bits of its base
// name's hash: a probe that passes another name's slot is then told apart by
// the slot alone, without a look at that name's bytes, which lie anywhere in
// the list. A list too long to leave eight bits spare keeps positions alone.
constexpr int tagShift = 24;
constexpr quint32 taggedIndexMask = (quint32(1) << tagShift) - 1;

quint32 tagOf(size_t hash)
{
    return quint32(hash >> (sizeof(size_t) * 8 - 8)) << tagShift;
}

} // namespace

void PictureBaseNames::index()
{
    const size_t count = size_t(m_names->size());
    const size_t capacity = std::bit_ceil(std::max<size_t>(16, count * 2));
    m_slots.assign(capacity, 0);
    m_mask = capacity - 1;
    const bool tagged = count < taggedIndexMask;
    m_indexMask = tagged ? taggedIndexMask : ~quint32(0);
    for (size_t i = 0; i < count; ++i) {
        const QByteArrayView base = baseName(m_names->bytes(qsizetype(i)));
        const size_t hash = qHash(base);
        const quint32 tag = tagged ? tagOf(hash) : 0;
        size_t slot = hash & m_mask;
        bool known = false;
        for (; m_slots[slot] != 0; slot = (slot + 1) & m_mask) {
            // One entry for each base name is all a look-up needs.
            if ((m_slots[slot] & ~m_indexMask) == tag && nameAt(m_slots[slot]) == base) {
                known = true;
                break;
            }
        }
        if (!known)
            m_slots[slot] = tag | quint32(i + 1);
    }
}

QByteArrayView PictureBaseNames::nameAt(quint32 slotValue) const
{
    return baseName(m_names->bytes(qsizetype((slotValue & m_indexMask) - 1)));
}

bool PictureBaseNames::keeps(QByteArrayView rawName) const
{
    const QByteArrayView base = baseName(rawName);
    const size_t hash = qHash(base);
    const quint32 tag = m_indexMask == taggedIndexMask ? tagOf(hash) : 0;
    for (size_t slot = hash & m_mask; m_slots[slot] != 0; slot = (slot + 1) & m_mask) {
        if ((m_slots[slot] & ~m_indexMask) == tag && nameAt(m_slots[slot]) == base)
            return true;
    }
    return false;
}

std::vector<int> PictureBaseNames::unmatched(const files::NameList &rawNames) const
{
    std::vector<int> result;
    for (qsizetype i = 0; i < rawNames.size(); ++i) {
        if (!keeps(rawNames.bytes(i)))
            result.push_back(int(i));
    }
    return result;
}

} // namespace quorvel::trimming
