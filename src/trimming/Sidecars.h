#pragma once

#include <QStringList>
#include <vector>

namespace quorvel::files {
class FolderSnapshot;
class NameList;
} // namespace quorvel::files

namespace quorvel::trimming::Sidecars {

// The files that editors keep beside a RAW file, which are worth nothing once
// it is gone: the RAW file's name with ".xmp", ".pp3" or ".dop" appended
// (IMG_0001.NEF.xmp), or its base name with ".xmp" (IMG_0001.xmp). The suffix
// may be in any case; the name before it is compared exactly, as the trim
// compares names.
//
// For each RAW file that goes (going holds indices into rawNames), the names
// of the sidecars in folder that go along with it, in list order. A sidecar
// goes only when every file of folder it belongs to goes: IMG_0001.xmp stays
// while IMG_0001.JPG, or IMG_0001.CR2 beside a NEF, is still there to use it.
std::vector<QStringList> of(const files::NameList &rawNames, const std::vector<int> &going,
                            const files::FolderSnapshot &folder);

} // namespace quorvel::trimming::Sidecars
