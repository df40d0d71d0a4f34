#include "culling/CullingSession.h"

#include "files/FileNames.h"

#include <algorithm>

namespace quorvel::culling {

CullingSession::CullingSession(trimming::RecycleFunction recycle, RestoreFunction restore,
                               QObject *parent)
    : QObject(parent), m_recycle(std::move(recycle)), m_restore(std::move(restore))
{}

void CullingSession::start(const QString &folder, std::shared_ptr<const files::NameList> names,
                           int index)
{
    m_folder = folder;
    m_hasList = true;
    m_rejections.clear();
    m_onScreen.clear();
    relist(std::move(names), index);
}

void CullingSession::startWithoutList()
{
    m_folder.clear();
    m_hasList = false;
    m_rejections.clear();
    m_onScreen.clear();
    relist(nullptr, -1);
}

void CullingSession::relist(std::shared_ptr<const files::NameList> names, int index)
{
    m_names = names ? std::move(names) : std::make_shared<const files::NameList>();
    m_index = index >= 0 && index < count() ? index : -1;
}

QString CullingSession::name(int index) const
{
    return index >= 0 && index < count() ? m_names->at(index) : QString();
}

QString CullingSession::path(int index) const
{
    return index >= 0 && index < count() ? files::joinPath(m_folder, name(index)) : QString();
}

int CullingSession::indexOf(const QString &name) const
{
    return int(m_names->indexOf(files::encodeFileName(name)));
}

bool CullingSession::moveTo(int index, std::optional<qint64> sinceLastMove)
{
    if (!m_hasList || index < 0 || index >= count())
        return false;
    if (index != m_index && m_index >= 0)
        m_direction = index > m_index ? 1 : -1;
    // A pause longer than this is a look at a picture, not a key held down.
    constexpr qint64 dwelling = 1000;
    qint64 interval = dwelling;
    if (sinceLastMove)
        interval = *sinceLastMove;
    else if (m_sinceLastMove.isValid())
        interval = m_sinceLastMove.restart();
    else
        m_sinceLastMove.start();
    if (interval >= dwelling)
        m_moveMilliseconds = 0;
    else
        m_moveMilliseconds = m_moveMilliseconds == 0
                                 ? double(interval)
                                 : 0.6 * m_moveMilliseconds + 0.4 * double(interval);
    m_index = index;
    return true;
}

// A comparison, never a wait, so that the keys keep their pace.
CullingSession::Rejection CullingSession::reject()
{
    if (!m_hasList)
        return {Outcome::NoList};
    if (count() == 0)
        return {Outcome::NoMorePictures};
    const QString reached = path(m_index);
    if (reached.isEmpty() || reached != m_onScreen)
        return {Outcome::NotShown, name(m_index)};
    const QString rejectedName = name(m_index);
    platform::TrashedFile where;
    trimming::RecycleTarget target = trimming::RecycleTarget::ofPath(reached);
    target.seen = m_onScreenFile;
    const int result = m_recycle(target, &where, nullptr);
    if (result != 0)
        return {Outcome::Failed, rejectedName, result};
    m_rejections.append({rejectedName, where});
    // Its picture goes with it: nothing on screen can be rejected now.
    m_onScreen.clear();
    // A new list, never the one shared with whoever reads it now.
    const int at = m_index;
    m_names = std::make_shared<const files::NameList>(m_names->without(at));
    m_index = std::min(at, count() - 1);
    emit removed(at, rejectedName);
    return {Outcome::Rejected, rejectedName};
}

CullingSession::Rejection CullingSession::rejectConfirmed(const QString &asked,
                                                          files::FileIdentity seen)
{
    if (asked.isEmpty())
        return {Outcome::NotShown};
    const QString name = asked.section(QLatin1Char('/'), -1);
    trimming::RecycleTarget target = trimming::RecycleTarget::ofPath(asked);
    target.seen = seen;
    const int result = m_recycle(target, nullptr, nullptr);
    if (result != 0)
        return {Outcome::Failed, name, result};
    if (m_onScreen == asked)
        m_onScreen.clear();
    return {Outcome::Rejected, name};
}

std::optional<CullingSession::PutBack> CullingSession::undo()
{
    if (m_rejections.isEmpty())
        return std::nullopt;
    const Rejected last = m_rejections.takeLast();
    return PutBack{last.name, m_restore(last.where)};
}

} // namespace quorvel::culling
