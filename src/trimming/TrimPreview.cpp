#include "trimming/TrimPreview.h"

#include "files/FolderError.h"
#include "files/FolderSnapshot.h"
#include "trimming/Matching.h"
#include "trimming/Sidecars.h"

namespace quorvel::trimming {
namespace {

// A list read again comes as a new list; compared byte for byte, it is still
// far cheaper than indexing or matching it again.
bool same(const std::shared_ptr<const files::NameList> &a,
          const std::shared_ptr<const files::NameList> &b)
{
    return a == b || (a && b && *a == *b);
}

} // namespace

bool TrimPreview::update(std::shared_ptr<const files::NameList> rawNames,
                         std::shared_ptr<const files::NameList> pictureNames,
                         const QString &rawFolder, bool sidecars)
{
    if (m_pictures && rawNames == m_raws && pictureNames == m_lastPictures &&
        rawFolder == m_rawFolder && sidecars == m_sidecars)
        return false;

    const bool picturesChanged = !m_pictures || !same(m_pictures->sharedNames(), pictureNames);
    const bool rawsChanged = !same(m_raws, rawNames);
    const bool rawsReadAgain = rawNames != m_raws;
    // Whatever is kept refers to the lists shown now, not to ones replaced.
    m_raws = std::move(rawNames);
    m_lastPictures = pictureNames;
    if (picturesChanged)
        m_pictures = std::make_unique<PictureBaseNames>(std::move(pictureNames));
    else
        m_pictures->adopt(std::move(pictureNames));

    const std::vector<int> before = m_rawFiles;
    if (picturesChanged || rawsChanged)
        m_rawFiles = rawFilesToTrim(*m_raws, *m_pictures);
    const bool notesStale =
        rawsReadAgain || sidecars != m_sidecars || rawFolder != m_rawFolder || m_rawFiles != before;
    m_rawFolder = rawFolder;
    m_sidecars = sidecars;
    if (notesStale)
        readSidecarNotes();
    return true;
}

void TrimPreview::readSidecarNotes()
{
    m_sidecarNotes.clear();
    if (!m_sidecars || m_rawFiles.empty())
        return;
    try {
        const std::vector<QStringList> sidecars =
            Sidecars::of(*m_raws, m_rawFiles, files::FolderSnapshot(m_rawFolder));
        for (size_t k = 0; k < m_rawFiles.size(); ++k) {
            if (!sidecars[k].isEmpty())
                m_sidecarNotes.insert(m_rawFiles[k],
                                      QStringLiteral("+ ") + sidecars[k].join(u", "));
        }
    } catch (const files::FolderError &) {
        // The list's folder can't be read just now: no notes, and the trim
        // will say so itself should it be asked to run.
    }
}

} // namespace quorvel::trimming
