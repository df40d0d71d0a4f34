#include "ui/DirListBox.h"

#include "ui/DirectoryListing.h"
#include "ui/FileNames.h"
#include "ui/FolderError.h"
#include "ui/HandlerGuard.h"
#include "ui/Volumes.h"

#include <QDir>
#include <QKeyEvent>
#include <QStyle>

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

} // namespace

DirListBox::DirListBox(Volumes &volumes, QWidget *parent)
    : QListWidget(parent),
      m_volumes(volumes)
{
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, &DirListBox::openItem);

    m_path = QDir::cleanPath(QDir::currentPath());
    m_volumes.remember(m_path);
    QStringList subfolders;
    try {
        subfolders = DirectoryListing::subfolders(m_path);
    } catch (const FolderError &) {
        // A start folder we may not read still shows where we are.
    }
    rebuild(subfolders);
}

void DirListBox::setPath(const Volume &volume)
{
    setPath(m_volumes.currentFolder(volume));
}

void DirListBox::setPath(const QString &folder)
{
    const QString clean = QDir::cleanPath(QDir(m_path.isEmpty() ? QDir::currentPath() : m_path)
                                              .absoluteFilePath(folder));
    struct stat st {};
    if (stat(encodeFileName(clean).constData(), &st) != 0)
        throw FolderError(clean, errno);
    if (!S_ISDIR(st.st_mode))
        throw FolderError(clean, ENOTDIR);
    const QStringList subfolders = DirectoryListing::subfolders(clean);

    const bool changed = clean != m_path;
    m_path = clean;
    m_volumes.remember(clean);
    rebuild(subfolders);
    if (changed)
        emit Change();
}

void DirListBox::rebuild(const QStringList &subfolders)
{
    const QSignalBlocker blocker(this);
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
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
        item->setData(pathRole, joinPath(m_path, name));
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
