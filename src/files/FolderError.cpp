#include "files/FolderError.h"

#include <cstring>

namespace quorvel::files {

FolderError::FolderError(QString folder, int errorNumber)
    : std::runtime_error(folder.toStdString() + ": " + std::strerror(errorNumber)),
      m_folder(std::move(folder)), m_errorNumber(errorNumber)
{}

QString FolderError::reason() const
{
    return QString::fromLocal8Bit(std::strerror(m_errorNumber));
}

} // namespace quorvel::files
