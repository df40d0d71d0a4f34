#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Names on disk are bytes; the windows show text. A name that is not valid
// UTF-8 (a card written by an old camera or another system) still has to be
// listed, shown, matched and moved to the trash under its exact bytes, so the
// conversion is lossless: each byte that is not part of valid UTF-8 becomes the
// lone surrogate U+DC80..U+DCFF and turns back into the same byte on the way out.
namespace quorvel::files {

QString decodeFileName(QByteArrayView bytes);
QByteArray encodeFileName(QStringView name);

// The full path of a file in a folder: one separator between them, none added
// when the folder already ends in one (the root of a volume).
QString joinPath(QStringView folder, QStringView name);

// A name or path as a message quotes it. A name may hold line breaks, tabs and
// other control characters, or marks that turn the direction of the text
// around; put into a message as they are, they would rearrange its lines and
// make it read as something else. Each is written out visibly instead ("\n",
// "\t", "\x1b", "\u202E"). Only for showing: the file is always acted on by
// its real name.
QString visibleName(QStringView name);

} // namespace quorvel::files
