#pragma once

#include <QByteArray>

namespace quorvel::bench {

// Folders of empty files named like a camera's, DSC_000001.NEF and so on, and
// the bare system calls that are the floors of listing and trashing them.
namespace CardFiles {

QByteArray name(int number, const char *extension);

// Creates folder (if need be) and in it the files DSC_<number>.<extension> for
// number in [first, first + count); false when one can't be made.
bool make(const QByteArray &folder, const char *extension, int first, int count);

// The files of a trim: raws RAW files (NEF), and a picture (JPG) for each of
// them but every fifth, which has none and is the one to go.
bool makeTrimCard(const QByteArray &folder, int raws);
bool goes(int number);

// Visible entries of folder.
int countEntries(const QByteArray &folder);

// The floor of a listing: one readdir() pass over folder, nothing else done
// with the entries. Milliseconds.
double readdirPass(const QByteArray &folder);

// The floor of trashing: rename(2) of the RAW files of a trim card that have no
// picture, into another folder on the same filesystem. Milliseconds.
double renameGoners(const QByteArray &folder, const QByteArray &into, int raws);

// The least any desktop trash has to do for those files: make a small new
// info file for each (created exclusively, written, closed) in notes, and
// rename the file into another folder. Milliseconds.
double noteAndRenameGoners(const QByteArray &folder, const QByteArray &notes,
                           const QByteArray &into, int raws);

} // namespace CardFiles
} // namespace quorvel::bench
