#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace quorvel::test {

// A temporary folder for tests that make files under names Qt's own file
// functions can't handle (bytes that are not UTF-8), special files and
// folders closed to their owner. It removes all of it, byte-exact, on the way out.
class ScratchFolder
{
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    // The full path of name, as the bytes the system calls take.
    QByteArray at(const QByteArray &name) const;
    // Creates an empty file (or truncates one); false on failure.
    bool touch(const QByteArray &name) const;
    bool makeFolder(const QByteArray &name) const;

private:
    QTemporaryDir m_dir;
};

} // namespace quorvel::test
