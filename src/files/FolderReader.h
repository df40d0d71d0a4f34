#pragma once

#include "files/NameList.h"

#include <memory>
#include <QHash>
#include <QString>
#include <QStringList>
#include <utility>

namespace quorvel::files {

class FolderSnapshot;
class WildcardPattern;

// Where the lists of one window take their entries from. Outside a sharing
// span every listing reads its folder from the disk, so a list always shows
// what is there now. Inside one, each folder is read once and every listing of
// it comes from that reading: opening a folder in step shows it in four lists,
// which would otherwise read a card of 100,000 files four times over. A span
// is for work that changes no file, such as moving the lists to a folder or
// re-reading them, and must not wait for the user.
class FolderReader
{
public:
    FolderReader();
    ~FolderReader();
    FolderReader(const FolderReader &) = delete;
    FolderReader &operator=(const FolderReader &) = delete;

    // Both throw FolderError when the folder can't be read.
    QStringList files(const QString &folder, const WildcardPattern &pattern);
    NameList fileNames(const QString &folder, const WildcardPattern &pattern);
    QStringList subfolders(const QString &folder);

    // The reading every listing of folder comes from now: within a span the
    // shared one, outside a fresh one. Throws FolderError.
    std::shared_ptr<const FolderSnapshot> reading(const QString &folder);

    // A sharing span, from share() for as long as it lives; spans nest, and
    // the readings are dropped when the outermost one ends.
    class [[nodiscard]] Sharing
    {
    public:
        Sharing(Sharing &&other) noexcept : m_reader(std::exchange(other.m_reader, nullptr)) {}
        Sharing &operator=(Sharing &&) = delete;
        ~Sharing()
        {
            if (m_reader)
                m_reader->endSharing();
        }

    private:
        friend class FolderReader;
        explicit Sharing(FolderReader &reader) : m_reader(&reader) { ++reader.m_sharing; }

        FolderReader *m_reader;
    };

    [[nodiscard]] Sharing share() { return Sharing(*this); }
    bool isSharing() const { return m_sharing > 0; }

private:
    void endSharing();

    int m_sharing = 0;
    QHash<QString, std::shared_ptr<const FolderSnapshot>> m_readings;
};

} // namespace quorvel::files
