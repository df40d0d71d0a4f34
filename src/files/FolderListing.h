#pragma once

#include "files/NameList.h"

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

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

// Whether a listing comes in ascending order, as the lists show it, or in
// the folder's own order: a list that is only looked up in, or of which only
// a few names are shown, is not worth sorting (a card's 40,000 names).
enum class Order { Ascending, AsRead };

// The same two listings, taken from a reading of the folder made before.
QStringList files(const FolderSnapshot &reading, const WildcardPattern &pattern);
NameList fileNames(const FolderSnapshot &reading, const WildcardPattern &pattern,
                   Order order = Order::Ascending);
QStringList subfolders(const FolderSnapshot &reading);

// The files of one reading that match first and those that match second, in
// one pass over its names: the picture and RAW lists of a trim whose two
// sides are the same folder. A name both patterns match is in both lists.
std::pair<NameList, NameList> fileNames(const FolderSnapshot &reading, const WildcardPattern &first,
                                        Order firstOrder, const WildcardPattern &second,
                                        Order secondOrder);

// The positions of names, in the order the listings use.
std::vector<qsizetype> ascendingOrder(const NameList &names);

// The order both listings use.
bool lessThan(const QString &a, const QString &b);

} // namespace FolderListing
} // namespace quorvel::files
