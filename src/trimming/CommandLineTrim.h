#pragma once

#include "trimming/RecycleFile.h"

#include <QByteArray>
#include <QList>
#include <QString>

class QTextStream;

namespace quorvel::trimming {

// "quorvel trim": the trim from a script or a terminal, after an import, over
// ssh or from cron, with no display and no question. The same patterns,
// matching, sidecars and trash as the window; --dry-run tells what would go
// and moves nothing. Each file moved or failed is one line, then a total.
class CommandLineTrim
{
public:
    // Exit statuses: everything went (or nothing had to); some file could not
    // be moved; the command was wrong or a folder could not be read.
    static constexpr int succeeded = 0;
    static constexpr int someFailed = 1;
    static constexpr int usageOrFolder = 2;

    // recycle moves one file; by default the desktop's trash.
    CommandLineTrim(QTextStream &out, QTextStream &err, RecycleFunction recycle = {});

    // arguments are those after "trim", as the bytes the shell passed: a
    // folder's name need not be UTF-8. workingFolder, as bytes too, is
    // where relative folders start from.
    int run(const QList<QByteArray> &arguments, const QByteArray &workingFolder);

    static QString usage();
    // The pattern an argument stands for, as the window takes it from an
    // entry: "*.nef (Nikon)" is "*.nef", and "*.tiff" is cut to "*.tif",
    // which lists .tif and .tiff alike.
    static QString patternOf(const QString &argument);

private:
    QTextStream &m_out;
    QTextStream &m_err;
    RecycleFunction m_recycle;
};

} // namespace quorvel::trimming
