#pragma once

#include <memory>
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
//
// A list is a value: a copy, or a list less one name, never changes the list
// it came from. Both share the names' bytes, which are never changed once
// read; a list less a few names only keeps which of them it has left out.
// The viewer takes a name out of a list of 50,000 on every rejection, and a
// copy of the whole list each time cost more than the trash takes to move
// the file.
class NameList
{
public:
    NameList() = default;

    qsizetype size() const
    {
        return m_stored ? qsizetype(m_stored->ends.size() - m_gone.size()) : 0;
    }
    bool isEmpty() const { return size() == 0; }

    // The name's bytes as they are on disk.
    QByteArrayView bytes(qsizetype index) const
    {
        const size_t i = m_gone.empty() ? size_t(index) : storedIndex(index);
        const std::vector<quint32> &ends = m_stored->ends;
        const quint32 begin = i == 0 ? 0 : ends[i - 1];
        return QByteArrayView(m_stored->bytes.data() + begin, qsizetype(ends[i] - begin));
    }
    // Where the name with exactly these bytes is, or -1; no name is decoded
    // for it.
    qsizetype indexOf(QByteArrayView name) const;
    // The name as the windows show it (see decodeFileName()).
    QString at(qsizetype index) const;
    QStringList toStringList() const;
    // The same list less the name at index, as a list of its own: a list may
    // be shared, and is never changed under those who hold it. It costs the
    // names already left out, not the list, but for one call in many that
    // packs the list anew.
    NameList without(qsizetype index) const;
    // The list of names as text, each turned back into its bytes.
    static NameList encoded(const QStringList &names);

    // Room for count names of bytes bytes in all, so that a list built to its
    // known size holds no spare capacity.
    void reserve(qsizetype count, qsizetype bytes);
    void append(QByteArrayView name);

    // The same names in the same order, however each list keeps them.
    friend bool operator==(const NameList &a, const NameList &b);

private:
    struct Stored
    {
        std::string bytes;
        std::vector<quint32> ends;
    };

    // Where the name at index lies among the stored names.
    size_t storedIndex(qsizetype index) const;
    // The stored names less those at the stored indexes gone (ascending),
    // packed on their own.
    Stored packed(const std::vector<quint32> &gone) const;
    // The stored names, this list's alone to append to.
    Stored &writable();

    // Never changed once another list shares them.
    std::shared_ptr<Stored> m_stored;
    // The stored names left out, ascending.
    std::vector<quint32> m_gone;
};

} // namespace quorvel::files
