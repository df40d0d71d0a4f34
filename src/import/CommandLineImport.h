#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;

namespace quorvel::import {

// "quorvel import": a card brought in from a script or a terminal, with no
// display, by the same plan and verified copy as the window. One line for
// each file that failed or took a numbered name, then the total; --dry-run
// tells what would come and copies nothing. Names print as `quorvel trim`
// prints them (TrimPrinter's escaping), and the exit status is trim's:
// 0 all fine, 1 some file failed (or no room), 2 wrong usage or a folder
// given that can't be read.
class CommandLineImport
{
public:
    CommandLineImport(QIODevice &out, QIODevice &err);

    // arguments are those after "import", as the bytes the shell passed;
    // workingFolder, as bytes too, is where relative folders start from,
    // empty when it can't be found.
    int run(const QList<QByteArray> &arguments, const QByteArray &workingFolder);

    static QString usage();

private:
    int wrongUsage(const QString &problem);

    QIODevice &m_out;
    QIODevice &m_err;
};

} // namespace quorvel::import
