#include "files/NameList.h"

#include "files/FileNames.h"

#include <algorithm>
#include <iterator>
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

namespace {

// A list packs its names anew once it leaves out one name in 64, and never
// before 64: the names left out are copied with every name taken out, and
// each name asked for is looked up among them, so they must stay few, while
// packing costs the whole list.
constexpr size_t fewestGoneToPack = 64;
constexpr size_t storedPerGoneName = 64;

} // namespace

size_t NameList::storedIndex(qsizetype index) const
{
    // The j-th name left out has m_gone[j] - j names kept before it, a count
    // that never falls along the list: the names kept before index are
    // preceded by exactly those left out whose count is at most index.
    const size_t i = size_t(index);
    size_t low = 0;
    size_t high = m_gone.size();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (m_gone[middle] - middle <= i)
            low = middle + 1;
        else
            high = middle;
    }
    return i + low;
}

NameList NameList::without(qsizetype index) const
{
    const quint32 stored = quint32(storedIndex(index));
    std::vector<quint32> gone;
    gone.reserve(m_gone.size() + 1);
    const auto before = std::lower_bound(m_gone.begin(), m_gone.end(), stored);
    gone.insert(gone.end(), m_gone.begin(), before);
    gone.push_back(stored);
    gone.insert(gone.end(), before, m_gone.end());

    NameList rest;
    if (gone.size() < std::max(fewestGoneToPack, m_stored->ends.size() / storedPerGoneName)) {
        rest.m_stored = m_stored;
        rest.m_gone = std::move(gone);
    } else {
        rest.m_stored = std::make_shared<Stored>(packed(gone));
    }
    return rest;
}

// What lies between the names left out is copied a run at a time: a name at
// a time, a list of 50,000 took longer than the trash takes to move a file.
NameList::Stored NameList::packed(const std::vector<quint32> &gone) const
{
    Stored out;
    if (!m_stored)
        return out;
    const Stored &in = *m_stored;
    const auto beginOf = [&in](size_t i) { return i == 0 ? quint32(0) : in.ends[i - 1]; };
    size_t goneBytes = 0;
    for (const quint32 i : gone)
        goneBytes += in.ends[i] - beginOf(i);
    out.bytes.reserve(in.bytes.size() - goneBytes);
    out.ends.reserve(in.ends.size() - gone.size());
    size_t from = 0;
    const auto copyUpTo = [&](size_t to) {
        if (to > from) {
            const quint32 begin = beginOf(from);
            const quint32 shift = begin - quint32(out.bytes.size());
            out.bytes.append(in.bytes, begin, in.ends[to - 1] - begin);
            std::transform(in.ends.begin() + qsizetype(from), in.ends.begin() + qsizetype(to),
                           std::back_inserter(out.ends),
                           [shift](quint32 end) { return end - shift; });
        }
    };
    for (const quint32 i : gone) {
        copyUpTo(i);
        from = i + 1;
    }
    copyUpTo(in.ends.size());
    return out;
}

NameList::Stored &NameList::writable()
{
    // Names shared with another list, or some of them left out, are copied
    // first: no other list sees this one grow.
    if (!m_stored || m_stored.use_count() != 1 || !m_gone.empty()) {
        m_stored = std::make_shared<Stored>(packed(m_gone));
        m_gone.clear();
    }
    return *m_stored;
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
    Stored &stored = writable();
    stored.ends.reserve(size_t(count));
    stored.bytes.reserve(size_t(bytes));
}

qsizetype NameList::indexOf(QByteArrayView name) const
{
    if (!m_stored)
        return -1;
    const Stored &stored = *m_stored;
    size_t gone = 0;
    quint32 begin = 0;
    for (size_t i = 0; i < stored.ends.size(); ++i) {
        const quint32 end = stored.ends[i];
        if (gone < m_gone.size() && m_gone[gone] == i)
            ++gone;
        else if (QByteArrayView(stored.bytes.data() + begin, qsizetype(end - begin)) == name)
            return qsizetype(i - gone);
        begin = end;
    }
    return -1;
}

void NameList::append(QByteArrayView name)
{
    Stored &stored = writable();
    // Where a name ends is kept in 32 bits: 4 GB of names is some 300
    // million files, far beyond any folder a list could show.
    if (stored.bytes.size() + size_t(name.size()) > std::numeric_limits<quint32>::max())
        throw std::length_error("too many names for one list");
    stored.bytes.append(name.data(), size_t(name.size()));
    stored.ends.push_back(quint32(stored.bytes.size()));
}

bool operator==(const NameList &a, const NameList &b)
{
    const qsizetype size = a.size();
    if (size != b.size())
        return false;
    if (size == 0 || (a.m_stored == b.m_stored && a.m_gone == b.m_gone))
        return true;
    if (a.m_gone.empty() && b.m_gone.empty())
        return a.m_stored->ends == b.m_stored->ends && a.m_stored->bytes == b.m_stored->bytes;
    for (qsizetype i = 0; i < size; ++i) {
        if (a.bytes(i) != b.bytes(i))
            return false;
    }
    return true;
}

} // namespace quorvel::files
