#pragma once

#include "trimming/TreeTrimPlan.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QIODevice;

namespace quorvel::trimming {

// What "quorvel trim" prints, and how. A name is printed from its bytes so
// that no two names ever print alike: a byte that is not UTF-8 is "\xe9",
// a control character, an invisible one or one that turns the text around
// is written as its code ("\n", "\x1b", "\u202E"), and a backslash is
// doubled, so that "caf\xe9.nef" (a Latin-1 name) and "caf\xff.nef", or a
// name holding a line break and one holding a backslash and an "n", read
// apart. With nullEnded, standard output carries only the paths of the
// files that go (or would go), as their bytes, each ended by a NUL, for
// xargs -0; the totals go to standard error with the notes.
//
// Standard output is gathered and written at once: a dry run over a card
// prints 10,000 lines. A real run, slower by far, lets the lines out as
// they pile up, and before any failure on standard error, so that the two
// read in order in a terminal.
class TrimPrinter
{
public:
    struct Settings
    {
        bool dryRun = false;
        bool nullEnded = false;
        // With sidecars the totals count them.
        bool sidecars = false;
        // As a skipped folder names it.
        QString picturePattern;
    };

    TrimPrinter(QIODevice &out, QIODevice &err, Settings settings);
    ~TrimPrinter();
    TrimPrinter(const TrimPrinter &) = delete;
    TrimPrinter &operator=(const TrimPrinter &) = delete;

    // folder is the folder's path and name the file's name in it, both as
    // their bytes on disk.
    void wouldGo(QByteArrayView folder, QByteArrayView name, bool sidecar);
    void trashed(QByteArrayView folder, QByteArrayView name, bool sidecar);
    void failed(QByteArrayView folder, QByteArrayView name, bool sidecar, int error);
    void skipped(const TreeTrimPlan::Skipped &skip);
    // A folder given that can't be used.
    void unreadable(QByteArrayView folder, int error);
    // The RAW files of pair that a picture in another folder keeps.
    void keptElsewhere(const TreeTrimPlan::Pair &pair);
    // Nothing moved from folder: not the folder read (ESTALE), or gone.
    void folderFailed(QByteArrayView folder, int error);
    // RAW files that stayed because their pictures came back meanwhile.
    void picturesBack(int count);
    // Writes what is gathered, then the totals.
    void totals(int moved, int sidecarsMoved, int failed);

    // bytes as printed: the same bytes where they are plain printable ASCII
    // without a backslash, as a card's names are.
    static QByteArray escaped(QByteArrayView bytes);
    static void appendEscaped(QByteArray &out, QByteArrayView bytes);
    // The system's words for an error, with its number.
    static QByteArray errorText(int error);

private:
    void going(QByteArrayView what, QByteArrayView folder, QByteArrayView name, bool sidecar);
    void writeGathered();
    void writeNote(const QByteArray &line);

    QIODevice &m_out;
    QIODevice &m_err;
    Settings m_settings;
    QByteArray m_gathered;
    QByteArray m_folder;
    QByteArray m_shownFolder;
    qsizetype m_writeAt;
};

} // namespace quorvel::trimming
