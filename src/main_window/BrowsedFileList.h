#pragma once

#include "culling/BrowsedList.h"

#include <QPointer>

namespace quorvel::ui {
class FileListBox;
}

namespace quorvel::main_window {

// A file list of the main window as the list the viewer browses. The list
// may go before the viewer does; a list gone is an empty one.
class BrowsedFileList : public culling::BrowsedList
{
public:
    explicit BrowsedFileList(ui::FileListBox *list);

    QString folder() const override;
    std::shared_ptr<const files::NameList> names() const override;
    int currentIndex() const override;
    void followIndex(int index) override;
    void takeOut(int index, const QString &name) override;

private:
    QPointer<ui::FileListBox> m_list;
};

} // namespace quorvel::main_window
