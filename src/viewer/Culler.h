#pragma once

#include <functional>
#include <memory>
#include <QObject>
#include <QString>

namespace quorvel::culling {
class BrowsedList;
class CullingSession;
class StatusLine;
} // namespace quorvel::culling

namespace quorvel::viewer {

class PictureStage;
class PictureView;

// What the culling keys do over the browsed list: move the user through it
// (its selection following), reject the picture on screen and put it back,
// and say what happened on the status line. The picture follows through the
// view; the dialog names the picture reached in its Tag. Each key does
// nothing without a list.
class Culler : public QObject
{
    Q_OBJECT

public:
    // refreshFileLists reads the main window's lists again after an undo.
    Culler(culling::CullingSession &session, PictureStage &stage, PictureView &view,
           std::function<void()> refreshFileLists, QObject *parent = nullptr);
    ~Culler() override;

    // The list the next opening browses; null for none.
    void setBrowsedList(std::unique_ptr<culling::BrowsedList> list);
    // An opening: the session over the list as it is now.
    void start();

    void next();
    void previous();
    void first();
    void last();
    // The picture on screen to the trash, without a question.
    void reject();
    // The last rejected picture of this opening back.
    void undo();

    // Why Delete had nothing to act on.
    void tellNothingDeleted();
    void writeStatus(const QString &news = QString());
    // The status line again with what it last said, for the picture shown now.
    void rewriteStatus();

signals:
    // The user is about to move to another picture.
    void leaving();
    // The picture the user has reached; empty once none is left.
    void reached(const QString &path);
    void statusChanged(const QString &line);
    // A rejection has taken a name out of the browsed list.
    void nameRemoved();

private:
    // When the decodes ahead are asked for: at once for a key that moves, so
    // that a held key keeps them ahead; once the event loop turns after a
    // rejection, whose next picture is at hand and painted first.
    enum class DecodesAhead { Now, Soon };
    void moveTo(int index, const QString &news = QString(),
                DecodesAhead decodesAhead = DecodesAhead::Now);
    // The browsed list read again: the session goes on over its names, on
    // the entry called name where it is still listed.
    void relist(const QString &name);

    culling::CullingSession &m_session;
    PictureStage &m_stage;
    PictureView &m_view;
    std::function<void()> m_refreshFileLists;
    std::unique_ptr<culling::BrowsedList> m_list;
    std::unique_ptr<culling::StatusLine> m_status;
};

} // namespace quorvel::viewer
