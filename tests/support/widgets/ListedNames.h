#pragma once

#include <QStringList>

namespace quorvel::ui {
class FileListBox;
}

namespace quorvel::test {

// Every entry of a file list as text, for comparing with what a test expects.
QStringList listedNames(const ui::FileListBox &list);

} // namespace quorvel::test
