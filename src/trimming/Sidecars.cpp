#include "trimming/Sidecars.h"

#include "files/FileNames.h"
#include "files/FolderListing.h"
#include "files/FolderSnapshot.h"
#include "files/NameList.h"

#include <algorithm>
#include <climits>
#include <QHash>

namespace quorvel::trimming::Sidecars {
namespace {

constexpr qsizetype suffixLength = 4;

enum class Suffix { None, Xmp, Other };

bool endsWithFolded(QByteArrayView name, const char (&suffix)[suffixLength + 1])
{
    const QByteArrayView tail = name.last(suffixLength);
    for (qsizetype i = 0; i < suffixLength; ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != suffix[i])
            return false;
    }
    return true;
}

// Works on the bytes: a card of 50,000 files mostly holds no sidecar at all,
// and telling that must not cost decoding every name.
Suffix suffixOf(QByteArrayView name)
{
    if (name.size() <= suffixLength)
        return Suffix::None;
    if (endsWithFolded(name, ".xmp"))
        return Suffix::Xmp;
    if (endsWithFolded(name, ".pp3") || endsWithFolded(name, ".dop"))
        return Suffix::Other;
    return Suffix::None;
}

QByteArray borrowed(QByteArrayView bytes)
{
    return QByteArray::fromRawData(bytes.data(), bytes.size());
}

struct Candidate
{
    QByteArrayView name;
    bool xmp = false;
    int owners = 0;
    int goingOwners = 0;
    int firstGoing = INT_MAX; // index into going
};

} // namespace

std::vector<QStringList> of(const files::NameList &rawNames, const std::vector<int> &going,
                            const files::FolderSnapshot &folder)
{
    std::vector<QStringList> result(going.size());
    if (going.empty())
        return result;

    std::vector<Candidate> candidates;
    QHash<QByteArray, QList<int>> byStem;
    for (qsizetype i = 0; i < folder.size(); ++i) {
        if (folder.kind(i) != files::FolderSnapshot::Kind::File)
            continue;
        const QByteArrayView name = folder.name(i);
        const Suffix suffix = suffixOf(name);
        if (suffix == Suffix::None)
            continue;
        byStem[borrowed(name.chopped(suffixLength))].append(int(candidates.size()));
        candidates.push_back({name, suffix == Suffix::Xmp});
    }
    if (candidates.empty())
        return result;

    QHash<QByteArray, int> goingIndex;
    goingIndex.reserve(qsizetype(going.size()));
    for (size_t k = 0; k < going.size(); ++k)
        goingIndex.insert(borrowed(rawNames.bytes(going[k])), int(k));

    const auto own = [&](QByteArrayView stem, QByteArrayView owner, bool baseForm) {
        const auto found = byStem.constFind(borrowed(stem));
        if (found == byStem.cend())
            return;
        const int k = goingIndex.value(borrowed(owner), -1);
        for (const int c : found.value()) {
            Candidate &candidate = candidates[size_t(c)];
            if (baseForm && !candidate.xmp)
                continue;
            ++candidate.owners;
            if (k >= 0) {
                ++candidate.goingOwners;
                candidate.firstGoing = std::min(candidate.firstGoing, k);
            }
        }
    };
    for (qsizetype i = 0; i < folder.size(); ++i) {
        if (folder.kind(i) != files::FolderSnapshot::Kind::File)
            continue;
        const QByteArrayView name = folder.name(i);
        if (suffixOf(name) != Suffix::None)
            continue; // a sidecar is nobody's owner
        own(name, name, false);
        const qsizetype dot = name.lastIndexOf('.');
        if (dot >= 0)
            own(name.first(dot), name, true);
    }

    for (const Candidate &candidate : candidates) {
        // A sidecar named like a RAW file that goes goes as that RAW file,
        // not a second time.
        if (goingIndex.contains(borrowed(candidate.name)))
            continue;
        if (candidate.goingOwners > 0 && candidate.goingOwners == candidate.owners)
            result[size_t(candidate.firstGoing)].append(files::decodeFileName(candidate.name));
    }
    for (QStringList &names : result)
        std::sort(names.begin(), names.end(), files::FolderListing::lessThan);
    return result;
}

} // namespace quorvel::trimming::Sidecars
