#include "support/widgets/ListedNames.h"

#include "files/NameList.h"
#include "ui/FileListBox.h"

namespace quorvel::test {

QStringList listedNames(const ui::FileListBox &list)
{
    return list.names().toStringList();
}

} // namespace quorvel::test
