#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace quorvel::files {

// The names of one listing, in its order, kept as their bytes on disk one
// after the other with where each ends: some 17 bytes a name. A card's folder
// lists 100,000 names; a string object for each cost five times that and more
// than the names themselves, while a window shows a few dozen of them at a
// time. A name becomes text only when it is asked for.
class NameList
{
public:
    NameList() = default;

    qsizetype size() const { return qsizetype(m_ends.size()); }
    bool isEmpty() const { return m_ends.empty(); }

    // The name's bytes as they are on disk.
    QByteArrayView bytes(qsizetype index) const
    {
        const size_t i = size_t(index);
        const quint32 begin = i == 0 ? 0 : m_ends[i - 1];
        return QByteArrayView(m_bytes.data() + begin, qsizetype(m_ends[i] - begin));
    }
    // Where the name with exactly these bytes is, or -1; no name is decoded
    // for it.
    qsizetype indexOf(QByteArrayView name) const;
    // The name as the windows show it (see decodeFileName()).
    QString at(qsizetype index) const;
    QStringList toStringList() const;
    // The same list less the name at index, as a list of its own: a list may
    // be shared, and is never changed under those who hold it.
    NameList without(qsizetype index) const;
    // The list of names as text, each turned back into its bytes.
    static NameList encoded(const QStringList &names);

    // Room for count names of bytes bytes in all, so that a list built to its
    // known size holds no spare capacity.
    void reserve(qsizetype count, qsizetype bytes);
    void append(QByteArrayView name);

    friend bool operator==(const NameList &a, const NameList &b)
    {
        return a.m_ends == b.m_ends && a.m_bytes == b.m_bytes;
    }

private:
    std::string m_bytes;
    std::vector<quint32> m_ends;
};

} // namespace quorvel::files
