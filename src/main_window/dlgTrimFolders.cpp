#include "main_window/dlgTrimFolders.h"

#include "trimming/TreeTrimTable.h"

#include <algorithm>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quorvel::main_window {

using trimming::TreeTrimTable;

namespace {

enum Column { FolderColumn, PicturesColumn, RawColumn, ToTrimColumn, SidecarsColumn, NoteColumn };

QTableWidgetItem *item(const QString &text, Qt::Alignment alignment)
{
    auto *cell = new QTableWidgetItem(text);
    cell->setTextAlignment(alignment | Qt::AlignVCenter);
    cell->setFlags(Qt::ItemIsEnabled);
    return cell;
}

} // namespace

dlgTrimFolders::dlgTrimFolders(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(TreeTrimTable::title());
    // Read beside the question, never instead of it: the question alone
    // takes the answer.
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    lblTotal = new QLabel(this);
    grdFolders = new QTableWidget(this);
    grdFolders->setColumnCount(int(TreeTrimTable::headers().size()));
    grdFolders->setHorizontalHeaderLabels(TreeTrimTable::headers());
    grdFolders->verticalHeader()->hide();
    grdFolders->setSelectionMode(QAbstractItemView::NoSelection);
    grdFolders->setFocusPolicy(Qt::NoFocus);
    grdFolders->horizontalHeader()->setStretchLastSection(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblTotal);
    layout->addWidget(grdFolders);
    resize(640, 360);
}

void dlgTrimFolders::showFolders(const TreeTrimTable &table)
{
    const std::vector<TreeTrimTable::Row> &rows = table.rows();
    grdFolders->setRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r) {
        const TreeTrimTable::Row &row = rows[size_t(r)];
        const bool total = r + 1 == int(rows.size());
        const Qt::Alignment number = Qt::AlignRight;
        grdFolders->setItem(r, FolderColumn, item(row.folder, Qt::AlignLeft));
        grdFolders->setItem(r, PicturesColumn, item(TreeTrimTable::cell(row.pictures), number));
        grdFolders->setItem(r, RawColumn, item(TreeTrimTable::cell(row.rawFiles), number));
        grdFolders->setItem(r, ToTrimColumn, item(TreeTrimTable::cell(row.toTrim), number));
        grdFolders->setItem(r, SidecarsColumn, item(TreeTrimTable::cell(row.sidecars), number));
        grdFolders->setItem(r, NoteColumn, item(row.note, Qt::AlignLeft));
        if (total) {
            for (int c = 0; c < grdFolders->columnCount(); ++c) {
                QFont font = grdFolders->item(r, c)->font();
                font.setBold(true);
                grdFolders->item(r, c)->setFont(font);
            }
        }
    }
    grdFolders->setColumnHidden(SidecarsColumn, !table.withSidecars());
    grdFolders->resizeColumnsToContents();
    lblTotal->setText(table.totalLine());
    fitRows();
    show();
    raise();
}

// While the question is up this window takes no input, so its rows can't be
// scrolled: it is made tall enough for all of them, as far as the screen
// lets it.
void dlgTrimFolders::fitRows()
{
    int rowsHeight =
        grdFolders->horizontalHeader()->sizeHint().height() + 2 * grdFolders->frameWidth();
    for (int r = 0; r < grdFolders->rowCount(); ++r)
        rowsHeight += grdFolders->rowHeight(r);
    const QMargins margins = layout()->contentsMargins();
    const int wanted = margins.top() + lblTotal->sizeHint().height() + layout()->spacing() +
                       rowsHeight + margins.bottom();
    const QScreen *where = parentWidget() ? parentWidget()->screen() : screen();
    const int room = where ? where->availableGeometry().height() * 9 / 10 : wanted;
    resize(width(), std::clamp(wanted, 360, std::max(360, room)));
}

void dlgTrimFolders::closeFolders()
{
    hide();
}

} // namespace quorvel::main_window
