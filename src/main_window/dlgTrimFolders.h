#pragma once

#include "trimming/TreeTrimOperation.h"

#include <QDialog>

class QLabel;
class QTableWidget;

namespace quorvel::main_window {

// The folders a trim of a whole tree covers, each with its pictures, RAW
// files and what goes, the RAW folders left alone and why, and the total:
// shown beside the trim's question, without a question of its own, so that
// the answer is given with every folder in view.
class dlgTrimFolders : public QDialog, public trimming::TreeTrimOperation::FolderWindow
{
    Q_OBJECT

public:
    explicit dlgTrimFolders(QWidget *parent = nullptr);

    void showFolders(const trimming::TreeTrimTable &table) override;
    void closeFolders() override;

    // The rows as shown, the total last: a cell left empty has no count.
    QTableWidget *grdFolders;
    QLabel *lblTotal;

private:
    void fitRows();
};

} // namespace quorvel::main_window
