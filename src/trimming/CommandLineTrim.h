#pragma once

#include "trimming/RecycleFile.h"

#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

class QIODevice;

namespace quorvel::trimming {

// "quorvel trim": the trim from a script or a terminal, after an import, over
// ssh or from cron, with no display and no question. The same patterns,
// matching, sidecars and trash as the window; --dry-run tells what would go
// and moves nothing. Each file moved or failed is one line, then a total
// (see TrimPrinter).
//
// It acts only on what was meant: a folder is the one the file system finds
// for the argument (x/link/.. is where ls x/link/.. looks), a relative one
// only from a known working folder, and a pattern it does not understand is
// refused rather than read as some other pattern.
class CommandLineTrim
{
public:
    // Exit statuses: everything went (or nothing had to); some file could not
    // be moved; the command was wrong or a folder could not be read.
    static constexpr int succeeded = 0;
    static constexpr int someFailed = 1;
    static constexpr int usageOrFolder = 2;

    // recycle moves one file; by default the desktop's trash.
    CommandLineTrim(QIODevice &out, QIODevice &err, RecycleFunction recycle = {});

    // arguments are those after "trim", as the bytes the shell passed: a
    // folder's name need not be UTF-8. workingFolder, as bytes too, is
    // where relative folders start from; empty when it can't be found (it
    // was deleted under the shell), and then only a folder from "/" is taken.
    int run(const QList<QByteArray> &arguments, const QByteArray &workingFolder);

    static QString usage();
    // What "quorvel --help" and "quorvel --version" print, for the window's
    // program as a whole: the text for option, or nothing for any other.
    // Answered before anything of the windows is made, with no display.
    static std::optional<QByteArray> programInformation(QByteArrayView option);
    // "Quorvel 0.8.0"
    static QByteArray versionLine();
    // The pattern an argument stands for, as the window takes it from an
    // entry: "*.nef (Nikon)" is "*.nef", and "*.tiff" is cut to "*.tif",
    // which lists .tif and .tiff alike; "*.jpg;*.heic" is either. Anything
    // else gives nothing, and problem says what was not understood.
    static std::optional<QString> patternOf(const QString &argument, QString &problem);

private:
    int wrongUsage(const QString &problem);

    QIODevice &m_out;
    QIODevice &m_err;
    RecycleFunction m_recycle;
};

} // namespace quorvel::trimming
