#include "ui/DirListBox.h"

#include "files/FolderListing.h"
#include "files/FileNames.h"
#include "files/FolderError.h"
#include "files/FolderReader.h"
#include "ui/HandlerGuard.h"
#include "files/VolumeTable.h"

#include <QDir>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include <cerrno>
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

// The folder icons are drawn here rather than taken from the style: the style
// reads its icons from PNG files, and the first PNG read in a process loads
// every image plugin Qt has, which took a tenth of the program's start-up.
QIcon folderIcon(bool open)
{
    QIcon icon;
    for (const int side : {16, 32}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(side / 16.0, side / 16.0);
        painter.setPen(QPen(QColor(0x8a, 0x62, 0x10), 1.0));

        QPainterPath back;
        back.moveTo(1.5, 3.5);
        back.lineTo(6.0, 3.5);
        back.lineTo(7.5, 5.0);
        back.lineTo(14.5, 5.0);
        back.lineTo(14.5, 13.5);
        back.lineTo(1.5, 13.5);
        back.closeSubpath();
        painter.setBrush(QColor(0xe0, 0xb0, 0x40));
        painter.drawPath(back);

        QPainterPath front;
        if (open) {
            front.moveTo(4.0, 7.5);
            front.lineTo(15.5, 7.5);
            front.lineTo(13.0, 13.5);
            front.lineTo(1.5, 13.5);
        } else {
            front.moveTo(1.5, 6.5);
            front.lineTo(14.5, 6.5);
            front.lineTo(14.5, 13.5);
            front.lineTo(1.5, 13.5);
        }
        front.closeSubpath();
        painter.setBrush(QColor(0xff, 0xd8, 0x6a));
        painter.drawPath(front);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

DirListBox::DirListBox(files::VolumeTable &volumes, const QString &startFolder, QWidget *parent,
                       files::FolderReader *readings)
    : QListWidget(parent),
      m_volumes(volumes),
      m_readings(readings)
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
    struct stat st {};
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
        const QString name = ancestor == u"/" ? ancestor : ancestor.mid(ancestor.lastIndexOf(u'/') + 1);
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
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openItem(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}

} // namespace quorvel::ui
