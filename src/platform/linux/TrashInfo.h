#pragma once

#include <QByteArray>
#include <QByteArrayView>

class QDateTime;

// The text side of the desktop trash: what goes into a .trashinfo file and
// what a trashed file is called inside the trash. Everything here works on the
// name's bytes, so a name that is not valid UTF-8 is written, and comes back,
// exactly as the filesystem holds it.
namespace quorvel::platform {

// The longest name one folder entry may have on the filesystems we meet.
inline constexpr qsizetype maxNameBytes = 255;
inline constexpr QByteArrayView trashInfoSuffix = ".trashinfo";

// The Path= value: every byte but the unreserved URI characters and "/" is
// written as %XX, so spaces, "%", line breaks and any non-UTF-8 byte survive a
// line-based key=value file and every reader's URI decoder.
QByteArray percentEncodePath(QByteArrayView path);

// The reverse of percentEncodePath for any input: a "%" that is not followed
// by two hex digits stands for itself, as the readers in the wild treat it.
QByteArray percentDecodePath(QByteArrayView text);

// The whole .trashinfo file for a file that was at path (absolute in the home
// trash, relative to the volume's top folder in a volume's own trash), deleted
// at deletionDate, which is written in local time without a zone.
QByteArray trashInfoText(QByteArrayView path, const QDateTime &deletionDate);
// As above, with the date already written by trashInfoDate: a batch of files
// trashed within the same second shares one.
QByteArray trashInfoText(QByteArrayView path, QByteArrayView deletionDate);
QByteArray trashInfoDate(const QDateTime &deletionDate);

// The name a file called name gets inside the trash on the given attempt
// (1, 2, 3...): the name itself first, then IMG_0001.2.NEF, IMG_0001.3.NEF...
// so that the extension, and with it the file's type, survives a collision.
// The result always leaves room for trashInfoSuffix within maxNameBytes; a
// longer name is shortened here, never in the Path= it is restored to.
QByteArray trashedName(QByteArrayView name, int attempt);

} // namespace quorvel::platform
