#include "files/NameList.h"

#include "files/FileNames.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace quorvel::files {

QString NameList::at(qsizetype index) const
{
    return decodeFileName(bytes(index));
}

QStringList NameList::toStringList() const
{
    QStringList names;
    names.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        names.append(at(i));
    return names;
}

NameList NameList::without(qsizetype index) const
{
    // What lies either side of the name, copied whole: a name at a time, a
    // list of 50,000 took longer than the trash takes to move the file.
    const size_t at = size_t(index);
    const quint32 begin = at == 0 ? 0 : m_ends[at - 1];
    const quint32 length = m_ends[at] - begin;
    NameList rest;
    rest.m_bytes.reserve(m_bytes.size() - length);
    rest.m_bytes.append(m_bytes, 0, begin);
    rest.m_bytes.append(m_bytes, begin + length);
    rest.m_ends.resize(m_ends.size() - 1);
    std::copy(m_ends.begin(), m_ends.begin() + qsizetype(at), rest.m_ends.begin());
    std::transform(m_ends.begin() + qsizetype(at) + 1, m_ends.end(),
                   rest.m_ends.begin() + qsizetype(at),
                   [length](quint32 end) { return end - length; });
    return rest;
}

NameList NameList::encoded(const QStringList &names)
{
    NameList list;
    for (const QString &name : names)
        list.append(encodeFileName(name));
    return list;
}

void NameList::reserve(qsizetype count, qsizetype bytes)
{
    m_ends.reserve(size_t(count));
    m_bytes.reserve(size_t(bytes));
}

qsizetype NameList::indexOf(QByteArrayView name) const
{
    for (qsizetype i = 0; i < size(); ++i) {
        if (bytes(i) == name)
            return i;
    }
    return -1;
}

void NameList::append(QByteArrayView name)
{
    // Where a name ends is kept in 32 bits: 4 GB of names is some 300
    // million files, far beyond any folder a list could show.
    if (m_bytes.size() + size_t(name.size()) > std::numeric_limits<quint32>::max())
        throw std::length_error("too many names for one list");
    m_bytes.append(name.data(), size_t(name.size()));
    m_ends.push_back(quint32(m_bytes.size()));
}

} // namespace quorvel::files
