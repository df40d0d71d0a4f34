#include "viewer/Culler.h"

#include "culling/BrowsedList.h"
#include "culling/CullingSession.h"
#include "culling/StatusLine.h"
#include "files/FileNames.h"
#include "viewer/PictureStage.h"
#include "viewer/PictureView.h"

#include <cerrno>

namespace quorvel::viewer {

Culler::Culler(culling::CullingSession &session, PictureStage &stage, PictureView &view,
               std::function<void()> refreshFileLists, QObject *parent)
    : QObject(parent), m_session(session), m_stage(stage), m_view(view),
      m_refreshFileLists(std::move(refreshFileLists)),
      m_status(std::make_unique<culling::StatusLine>())
{
    connect(&m_session, &culling::CullingSession::removed, this,
            [this](int index, const QString &name) {
                if (!m_list)
                    return;
                m_list->takeOut(index, name);
                emit nameRemoved();
            });
    connect(&m_view, &PictureView::landed, this, &Culler::rewriteStatus);
}

Culler::~Culler() = default;

// Before the opening's decode starts: a picture without a focus point of
// its own is looked up in its RAW file.
void Culler::setBrowsedList(std::unique_ptr<culling::BrowsedList> list)
{
    m_list = std::move(list);
    m_stage.setRawFolder(m_list ? m_list->rawFolder() : QString());
}

void Culler::start()
{
    if (m_list)
        m_session.start(m_list->folder(), m_list->names(), m_list->currentIndex());
    else
        m_session.startWithoutList();
}

void Culler::next()
{
    moveTo(m_session.index() + 1);
}

void Culler::previous()
{
    moveTo(m_session.index() - 1);
}

void Culler::first()
{
    moveTo(0);
}

void Culler::last()
{
    moveTo(m_session.count() - 1);
}

// Past either end nothing moves: the first and last pictures are where a
// held key comes to rest. The list's selection follows without a Click: the
// main window has nothing to do for a selection it does not show while the
// viewer is open.
void Culler::moveTo(int index, const QString &news, DecodesAhead decodesAhead)
{
    if (!m_list || !m_session.moveTo(index))
        return;
    emit leaving();
    m_list->followIndex(index);
    const QString path = m_session.path(index);
    emit reached(path);
    m_view.moveTo(path);
    if (decodesAhead == DecodesAhead::Now)
        m_stage.decodeAhead();
    else
        m_stage.decodeAheadSoon();
    writeStatus(news);
}

void Culler::relist(const QString &name)
{
    const QString onScreen = m_session.onScreen();
    const std::shared_ptr<const files::NameList> names = m_list->names();
    const int index = int(names->indexOf(files::encodeFileName(name)));
    m_session.relist(names, index);
    m_session.setOnScreen(onScreen);
    m_list->followIndex(index);
}

// Nothing is left to name once the last picture has gone.
void Culler::tellNothingDeleted()
{
    writeStatus(m_stage.reached().isEmpty() ? culling::StatusLine::noMorePictures()
                                            : culling::StatusLine::notShownYet());
}

void Culler::writeStatus(const QString &news)
{
    m_status->setNews(news);
    rewriteStatus();
}

void Culler::rewriteStatus()
{
    emit statusChanged(m_status->text(m_session, m_stage.colourSpace(), m_stage.colourNotes()));
}

// The folder is not read again: the name leaves the list, and the folder is
// read when the main window reads it, as after anything else.
void Culler::reject()
{
    const culling::CullingSession::Rejection rejection = m_session.reject();
    using Outcome = culling::CullingSession::Outcome;
    if (rejection.outcome == Outcome::NoList)
        return;
    if (rejection.outcome == Outcome::Failed) {
        writeStatus(culling::StatusLine::notMovedToTrash(rejection.name, rejection.error));
        return;
    }
    if (rejection.outcome != Outcome::Rejected) {
        tellNothingDeleted();
        return;
    }
    // Its picture goes with it: what stays on screen can be deleted.
    m_view.clear();
    const QString news = culling::StatusLine::movedToTrash(rejection.name);
    if (m_session.index() >= 0) {
        moveTo(m_session.index(), news, DecodesAhead::Soon);
        return;
    }
    // The last picture has gone: nothing is left to show or to name.
    if (m_list)
        m_list->followIndex(-1);
    m_stage.leave();
    emit reached(QString());
    writeStatus(news + QStringLiteral("    ") + culling::StatusLine::noMorePictures());
}

void Culler::undo()
{
    if (!m_list)
        return;
    const std::optional<culling::CullingSession::PutBack> back = m_session.undo();
    if (!back) {
        writeStatus(culling::StatusLine::nothingToPutBack());
        return;
    }
    const QString news = culling::StatusLine::putBack(*back);
    if (back->error != 0 && back->error != EEXIST) {
        writeStatus(news);
        return;
    }
    // Back, or the folder has changed under the viewer: the list shows the
    // newcomer, and the user stays where they were.
    const QString name = back->error == 0 ? back->name : m_session.name(m_session.index());
    m_refreshFileLists();
    relist(name);
    if (back->error == 0 && m_session.index() >= 0)
        moveTo(m_session.index(), news);
    else
        writeStatus(news);
}

} // namespace quorvel::viewer
