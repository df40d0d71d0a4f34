#pragma once

#include "files/NameList.h"
#include "platform/Trash.h"
#include "trimming/RecycleFile.h"

#include <functional>
#include <memory>
#include <optional>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

namespace quorvel::culling {

// One opening of the viewer over a list, without its widgets: the names
// being culled as they were listed when it opened, where the user is, which
// way and how fast the keys go, and the rejections to walk back through.
//
// It holds the rule that a rejection takes only the picture the user sees:
// the viewer tells it what is on screen (a picture, its thumbnail standing
// in, or the line saying it can't be loaded), and reject() acts only when
// that is the file the user has reached. Keys may run ahead of the decodes;
// then nothing goes.
class CullingSession : public QObject
{
    Q_OBJECT

public:
    using RestoreFunction = std::function<int(const platform::TrashedFile &file)>;

    // recycle moves a file to the trash and says where it went; restore puts
    // one back from there. Both return 0 or an errno.
    CullingSession(trimming::RecycleFunction recycle, RestoreFunction restore,
                   QObject *parent = nullptr);

    // A new opening over names, read from folder, at index (-1 for none).
    // The rejections of the opening before are forgotten.
    void start(const QString &folder, std::shared_ptr<const files::NameList> names, int index);
    // An opening without a list: no keys move, nothing is rejected.
    void startWithoutList();
    // The list read again, by the viewer itself; the rejections stay.
    void relist(std::shared_ptr<const files::NameList> names, int index);

    bool hasList() const { return m_hasList; }
    int count() const { return int(m_names->size()); }
    // -1 when the user is on no entry.
    int index() const { return m_index; }
    // The entry's name, or "" outside the list.
    QString name(int index) const;
    QString path(int index) const;
    int indexOf(const QString &name) const;
    const std::shared_ptr<const files::NameList> &names() const { return m_names; }

    // Moves the user to index. False, and nothing moves, outside the list.
    // sinceLastMove is the time since the last move, for a test to set; by
    // default it is measured.
    bool moveTo(int index, std::optional<qint64> sinceLastMove = {});
    // +1 or -1: which way the last key went.
    int direction() const { return m_direction; }
    // The time between the last moves, smoothed; 0 for a user looking at a
    // picture rather than holding a key down.
    double moveMilliseconds() const { return m_moveMilliseconds; }

    // The file the user sees, empty for none, and which file it was when it
    // was read for the screen (unknown when it was not read).
    void setOnScreen(const QString &path, files::FileIdentity file = {})
    {
        m_onScreen = path;
        m_onScreenFile = file;
    }
    QString onScreen() const { return m_onScreen; }
    files::FileIdentity onScreenFile() const { return m_onScreenFile; }

    enum class Outcome {
        Rejected,
        NotShown,       // the user has reached a picture not on screen yet
        NoMorePictures, // every picture has gone
        Failed,         // recycle refused; error says why
        NoList,
    };
    struct Rejection
    {
        Outcome outcome = Outcome::NoList;
        QString name;
        int error = 0;
    };
    // Moves the picture on screen to the trash, when it is the one the user
    // has reached, and takes it out of the names; the user is then on the
    // next one (the one before at the end), or on none when none are left.
    // Raises removed() before it returns.
    Rejection reject();
    // Moves asked to the trash: the file on screen when the user was asked
    // about it and said yes, whether or not it is still there. The names are
    // left as they are: whoever asked reads them again. Its picture goes
    // with it. seen: which file asked was when it was shown; a file in its
    // place since is left alone.
    Rejection rejectConfirmed(const QString &asked, files::FileIdentity seen = {});

    // Puts the last rejection back; nullopt when there is none. It is taken
    // off the walk back however the restore ends, or every later undo would
    // stop at it. The names are not changed: whoever read them reads them
    // again (relist()).
    struct PutBack
    {
        QString name;
        int error = 0;
    };
    std::optional<PutBack> undo();
    int rejections() const { return int(m_rejections.size()); }

signals:
    // The name that was at index has been taken out of the names.
    void removed(int index, const QString &name);

private:
    struct Rejected
    {
        QString name;
        platform::TrashedFile where;
    };

    trimming::RecycleFunction m_recycle;
    RestoreFunction m_restore;
    QString m_folder;
    std::shared_ptr<const files::NameList> m_names = std::make_shared<const files::NameList>();
    bool m_hasList = false;
    int m_index = -1;
    QString m_onScreen;
    files::FileIdentity m_onScreenFile;
    QList<Rejected> m_rejections;
    int m_direction = 1;
    QElapsedTimer m_sinceLastMove;
    double m_moveMilliseconds = 0;
};

} // namespace quorvel::culling
