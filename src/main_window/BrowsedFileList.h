#pragma once

#include "culling/BrowsedList.h"

#include <QPointer>

namespace quorvel::ui {
class FileListBox;
}

namespace quorvel::main_window {

// A file list of the main window as the list the viewer browses, with the
// main window's RAW list for the RAW folder (the list itself when the viewer
// browses the RAW files). Either may go before the viewer does; a list gone
// is an empty one.
class BrowsedFileList : public culling::BrowsedList
{
public:
    BrowsedFileList(ui::FileListBox *list, ui::FileListBox *rawList);

    QString folder() const override;
    QString rawFolder() const override;
    std::shared_ptr<const files::NameList> names() const override;
    int currentIndex() const override;
    void followIndex(int index) override;
    void takeOut(int index, const QString &name) override;

private:
    QPointer<ui::FileListBox> m_list;
    QPointer<ui::FileListBox> m_rawList;
};

} // namespace quorvel::main_window
