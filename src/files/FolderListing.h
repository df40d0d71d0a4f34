#pragma once

#include "files/NameList.h"

#include <QString>
#include <QStringList>

namespace quorvel::files {

class FolderSnapshot;
class WildcardPattern;

// Synchronous folder listings straight from readdir(): the windows need the new
// entries on the very next statement, and a card of 100,000 files must list in
// a few tens of milliseconds. Both throw FolderError when the folder can't be read.
namespace FolderListing {

// Names of the files in folder that match pattern, in ascending order. Folders,
// hidden files, and special files (FIFOs, sockets, devices) are left out;
// a symbolic link counts as what it points to, and a dangling one is left out.
QStringList files(const QString &folder, const WildcardPattern &pattern);

// The same names, kept as they are on disk (see NameList): what a list that
// shows a card's folder holds.
NameList fileNames(const QString &folder, const WildcardPattern &pattern);

// Names of the visible subfolders of folder (links to folders included), ascending.
QStringList subfolders(const QString &folder);

// The same two listings, taken from a reading of the folder made before.
QStringList files(const FolderSnapshot &reading, const WildcardPattern &pattern);
NameList fileNames(const FolderSnapshot &reading, const WildcardPattern &pattern);
QStringList subfolders(const FolderSnapshot &reading);

// The order both listings use.
bool lessThan(const QString &a, const QString &b);

} // namespace FolderListing
} // namespace quorvel::files
