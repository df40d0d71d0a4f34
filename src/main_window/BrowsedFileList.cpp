#include "main_window/BrowsedFileList.h"

#include "files/FileNames.h"
#include "ui/FileListBox.h"

namespace quorvel::main_window {

BrowsedFileList::BrowsedFileList(ui::FileListBox *list, ui::FileListBox *rawList)
    : m_list(list), m_rawList(rawList)
{}

QString BrowsedFileList::folder() const
{
    return m_list ? m_list->Path() : QString();
}

QString BrowsedFileList::rawFolder() const
{
    return m_rawList ? m_rawList->Path() : QString();
}

std::shared_ptr<const files::NameList> BrowsedFileList::names() const
{
    return m_list ? m_list->sharedNames() : std::make_shared<const files::NameList>();
}

int BrowsedFileList::currentIndex() const
{
    return m_list ? m_list->ListIndex() : -1;
}

void BrowsedFileList::followIndex(int index)
{
    if (m_list)
        m_list->followIndex(index);
}

// The list may have been read again since the index was taken: the name
// decides, and a name no longer listed takes nothing out.
void BrowsedFileList::takeOut(int index, const QString &name)
{
    if (!m_list)
        return;
    const int at = m_list->List(index) == name
                       ? index
                       : int(m_list->names().indexOf(files::encodeFileName(name)));
    if (at >= 0)
        m_list->RemoveItem(at);
}

} // namespace quorvel::main_window
