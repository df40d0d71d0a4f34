#pragma once

#include <QListWidget>

namespace quorvel::files {
class FolderReader;
class VolumeTable;
struct Volume;
} // namespace quorvel::files

namespace quorvel::ui {

class HandlerGuard;

// The classic folder list: the current folder's ancestors from the root down,
// then its subfolders. Opening an entry, or writing a different Path, raises
// Change at once, nested inside the write.
class DirListBox : public QListWidget
{
    Q_OBJECT

public:
    // The list opens on startFolder. With readings, the list reads its folders
    // through them, so that the lists of a window can share one reading of a
    // folder (see FolderReader).
    DirListBox(files::VolumeTable &volumes, const QString &startFolder, QWidget *parent = nullptr,
               files::FolderReader *readings = nullptr);

    QString Path() const { return m_path; }
    // Moves to folder. A folder that can't be read throws FolderError and
    // leaves the list where it was.
    void setPath(const QString &folder);
    // Moves to the volume's current folder.
    void setPath(const files::Volume &volume);

    // Opening an entry is the user's doing and may fail (a folder we may not
    // read); with a guard set, the failure is reported through it.
    void setGuard(HandlerGuard *guard) { m_guard = guard; }

signals:
    void Change();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openItem(QListWidgetItem *item);
    void rebuild(const QStringList &subfolders);
    QStringList read(const QString &folder) const;

    files::VolumeTable &m_volumes;
    HandlerGuard *m_guard = nullptr;
    files::FolderReader *m_readings = nullptr;
    QString m_path;
};

} // namespace quorvel::ui
