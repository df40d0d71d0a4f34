#include "pictures/PictureFocus.h"

#include "files/CameraFormats.h"
#include "pictures/FocusPointReader.h"
#include "pictures/Picture.h"

#include <QDir>
#include <QFileInfo>

namespace quorvel::pictures {

FocusArea PictureFocus::of(const QString &path, const Picture &picture, const QString &rawFolder)
{
    const QFileInfo file(path);
    // A RAW file shown through its preview: LibRaw measured it, so its own
    // fields are read here.
    FocusArea own = files::CameraFormats::isRawExtension(file.suffix())
                        ? FocusPointReader::ofFile(path)
                        : picture.focus();
    if (own.recorded())
        return own;
    const QString raw = rawFileOf(path, rawFolder);
    if (raw.isEmpty() || QFileInfo(raw) == file)
        return own;
    FocusArea fromRaw = FocusPointReader::ofFile(raw);
    return fromRaw.recorded() || own.problem.isEmpty() ? fromRaw : own;
}

// The names are tried rather than the folder listed: a few dozen lookups in
// a folder the system has in its cache cost less than listing a card's
// thousands of RAW files for every picture.
QString PictureFocus::rawFileOf(const QString &path, const QString &rawFolder)
{
    if (rawFolder.isEmpty())
        return {};
    const QString base = QFileInfo(path).completeBaseName();
    const QDir folder(rawFolder);
    for (const QString &extension : files::CameraFormats::rawExtensions()) {
        for (const QString &suffix : {extension, extension.toUpper()}) {
            const QString candidate = folder.filePath(base + QLatin1Char('.') + suffix);
            if (QFileInfo(candidate).isFile())
                return candidate;
        }
    }
    return {};
}

} // namespace quorvel::pictures
