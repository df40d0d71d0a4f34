#include "ui/DirListBox.h"

#include "files/FileNames.h"
#include "files/FolderError.h"
#include "files/FolderListing.h"
#include "files/FolderReader.h"
#include "files/VolumeTable.h"
#include "ui/DrawnIcon.h"
#include "ui/HandlerGuard.h"
#include "ui/Keys.h"

#include <cerrno>
#include <QDir>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <sys/stat.h>

namespace quorvel::ui {
namespace {

constexpr int pathRole = Qt::UserRole;

QStringList ancestorsOf(const QString &path)
{
    QStringList chain;
    QString current = path;
    for (;;) {
        chain.prepend(current);
        if (current == u"/")
            break;
        const qsizetype slash = current.lastIndexOf(u'/');
        current = slash <= 0 ? QStringLiteral("/") : current.left(slash);
    }
    return chain;
}

QPainterPath closedPath(std::initializer_list<QPointF> corners)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(corners)));
    path.closeSubpath();
    return path;
}

// Drawn rather than taken from the style, which reads its icons from PNG files.
QIcon folderIcon(bool open)
{
    return drawnIcon([open](QPainter &painter, int side) {
        painter.scale(side / 16.0, side / 16.0);
        painter.setPen(QPen(QColor(0x8a, 0x62, 0x10), 1.0));
        painter.setBrush(QColor(0xe0, 0xb0, 0x40));
        painter.drawPath(closedPath(
            {{1.5, 3.5}, {6.0, 3.5}, {7.5, 5.0}, {14.5, 5.0}, {14.5, 13.5}, {1.5, 13.5}}));
        painter.setBrush(QColor(0xff, 0xd8, 0x6a));
        painter.drawPath(open ? closedPath({{4.0, 7.5}, {15.5, 7.5}, {13.0, 13.5}, {1.5, 13.5}})
                              : closedPath({{1.5, 6.5}, {14.5, 6.5}, {14.5, 13.5}, {1.5, 13.5}}));
    });
}

} // namespace

DirListBox::DirListBox(files::VolumeTable &volumes, const QString &startFolder, QWidget *parent,
                       files::FolderReader *readings)
    : QListWidget(parent), m_volumes(volumes), m_readings(readings)
{
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, &DirListBox::openItem);

    m_path = QDir::cleanPath(startFolder);
    m_volumes.remember(m_path);
    QStringList subfolders;
    try {
        subfolders = read(m_path);
    } catch (const files::FolderError &) {
        // A start folder we may not read still shows where we are.
    }
    rebuild(subfolders);
}

void DirListBox::setPath(const files::Volume &volume)
{
    setPath(m_volumes.currentFolder(volume));
}

void DirListBox::setPath(const QString &folder)
{
    const QString clean = QDir::cleanPath(QDir(m_path).absoluteFilePath(folder));
    struct stat st
    {
    };
    if (stat(files::encodeFileName(clean).constData(), &st) != 0)
        throw files::FolderError(clean, errno);
    if (!S_ISDIR(st.st_mode))
        throw files::FolderError(clean, ENOTDIR);
    const QStringList subfolders = read(clean);

    const bool changed = clean != m_path;
    m_path = clean;
    m_volumes.remember(clean);
    rebuild(subfolders);
    if (changed)
        emit Change();
}

QStringList DirListBox::read(const QString &folder) const
{
    return m_readings ? m_readings->subfolders(folder) : files::FolderListing::subfolders(folder);
}

void DirListBox::rebuild(const QStringList &subfolders)
{
    const QSignalBlocker blocker(this);
    clear();
    const QIcon openIcon = folderIcon(true);
    const QIcon closedIcon = folderIcon(false);
    const QStringList chain = ancestorsOf(m_path);
    int depth = 0;
    for (const QString &ancestor : chain) {
        const QString name =
            ancestor == u"/" ? ancestor : ancestor.mid(ancestor.lastIndexOf(u'/') + 1);
        auto *item = new QListWidgetItem(openIcon, QString(depth * 2, u' ') + name, this);
        item->setData(pathRole, ancestor);
        ++depth;
    }
    setCurrentRow(count() - 1);
    for (const QString &name : subfolders) {
        auto *item = new QListWidgetItem(closedIcon, QString(depth * 2, u' ') + name, this);
        item->setData(pathRole, files::joinPath(m_path, name));
    }
}

void DirListBox::openItem(QListWidgetItem *item)
{
    if (!item)
        return;
    const QString folder = item->data(pathRole).toString();
    if (m_guard)
        m_guard->run([&] { setPath(folder); });
    else
        setPath(folder);
}

void DirListBox::keyPressEvent(QKeyEvent *event)
{
    if (isEnterKey(event)) {
        openItem(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}

} // namespace quorvel::ui
