#include "trimming/PictureBaseNames.h"

#include "files/FileNames.h"
#include "trimming/Matching.h"

#include <algorithm>
#include <bit>
#include <QHashFunctions>

namespace quorvel::trimming {
namespace {

files::NameList encoded(const QStringList &names)
{
    files::NameList list;
    for (const QString &name : names)
        list.append(files::encodeFileName(name));
    return list;
}

} // namespace

PictureBaseNames::PictureBaseNames(const QStringList &pictureNames)
    : m_names(std::make_shared<const files::NameList>(encoded(pictureNames)))
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

void PictureBaseNames::index()
{
    const size_t count = size_t(m_names->size());
    const size_t capacity = std::bit_ceil(std::max<size_t>(16, count * 2));
    m_slots.assign(capacity, 0);
    m_mask = capacity - 1;
    for (size_t i = 0; i < count; ++i) {
        const QByteArrayView base = baseName(m_names->bytes(qsizetype(i)));
        size_t slot = qHash(base) & m_mask;
        while (m_slots[slot] != 0) {
            // One entry for each base name is all a look-up needs.
            if (baseName(m_names->bytes(qsizetype(m_slots[slot] - 1))) == base)
                break;
            slot = (slot + 1) & m_mask;
        }
        if (m_slots[slot] == 0)
            m_slots[slot] = quint32(i + 1);
    }
}

bool PictureBaseNames::keeps(QByteArrayView rawName) const
{
    const QByteArrayView base = baseName(rawName);
    for (size_t slot = qHash(base) & m_mask; m_slots[slot] != 0; slot = (slot + 1) & m_mask) {
        if (baseName(m_names->bytes(qsizetype(m_slots[slot] - 1))) == base)
            return true;
    }
    return false;
}

std::vector<int> PictureBaseNames::unmatched(const QStringList &rawNames) const
{
    std::vector<int> result;
    for (qsizetype i = 0; i < rawNames.size(); ++i) {
        if (!keeps(files::encodeFileName(rawNames.at(i))))
            result.push_back(int(i));
    }
    return result;
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
