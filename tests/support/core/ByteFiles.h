#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <sys/stat.h>
#include <sys/types.h>

// Files handled by their names' bytes: several names under test are not valid
// UTF-8, which QFile and QDir would not hand back unchanged.
namespace quorvel::test {

bool writeFile(const QByteArray &path, const QByteArray &content);

// "<missing>" rather than empty, so that a failed comparison tells a missing
// file from an empty one. extraFlags go to open(), as O_NONBLOCK for a FIFO.
QByteArray readFile(const QByteArray &path, int extraFlags = 0);

// By lstat: a link that leads nowhere still exists.
bool exists(const QByteArray &path);

// By lstat too; all zero when there is nothing at path, so that an inode or
// a mode compared with it fails rather than the test reading garbage.
struct stat statOf(const QByteArray &path);

// Sorted, so that tests compare listings without caring for readdir's order.
QByteArrayList entries(const QByteArray &folder);

// Empty when the path does not resolve.
QByteArray realPath(const QByteArray &path);

// The value of key= in a .trashinfo file, as written; "<no key>" when the
// file has no such line, so that a failed comparison says which is missing.
QByteArray infoValue(const QByteArray &infoText, QByteArrayView key);

// The Path= of a .trashinfo file, decoded back to the bytes it stands for.
QByteArray infoPath(const QByteArray &infoText);

// QTemporaryDir removes by decoded names, which misses names that are not
// UTF-8; this goes by the bytes, and stays on the one filesystem.
void removeTree(const QByteArray &root);

// The number and its text, so that a failed comparison says which error.
QString errorName(int error);

// Sets the mode even when the folder was there, since mkdir's is masked.
QByteArray makeFolder(const QByteArray &root, const QByteArray &relative, mode_t mode = 0755);

// Empty when mounted, and where is added to mounts for the test's cleanup to
// unmount; otherwise why not, for QSKIP.
QString mountTmpfs(const QByteArray &where, const char *options, QByteArrayList &mounts);

// trash-cli with its data home and home inside root, so that it sees the
// test's trash and never the real one.
QByteArray runTrashCli(const QByteArray &root, const QString &command, const QStringList &arguments,
                       const QByteArray &workingFolder, const QByteArray &input, int &exitCode);

} // namespace quorvel::test
