#pragma once

#include <QString>
#include <stdexcept>

namespace quorvel::files {

// A folder that could not be read: unmounted, pulled out, deleted under the
// lists, or closed to this user. Handlers let it pass; the one guard that runs
// every handler tells the user what failed and why.
class FolderError : public std::runtime_error
{
public:
    FolderError(QString folder, int errorNumber);

    const QString &folder() const { return m_folder; }
    int errorNumber() const { return m_errorNumber; }
    // The system's own words for the failure, e.g. "No such file or directory".
    QString reason() const;

private:
    QString m_folder;
    int m_errorNumber;
};

} // namespace quorvel::files
