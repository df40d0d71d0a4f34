#pragma once

#include "culling/CullingSession.h"

#include <QString>

namespace quorvel::culling {

// The viewer's status line: where in the list the user is, the colour space
// of the picture on screen when it is not sRGB, what the last key did, and
// what is said once about the picture's colours. It is one line whatever a
// name in it holds: a line break would hide the rest.
class StatusLine
{
public:
    // What the last key did; it stays until the next key, so that the line
    // written again when a picture lands still says it.
    void setNews(const QString &news) { m_news = news; }
    QString news() const { return m_news; }

    // The whole line, for the session as it is now.
    QString text(const CullingSession &session, const QString &colourSpace,
                 const QString &colourNotes) const;

    // What a key did, as the line says it.
    static QString movedToTrash(const QString &name);
    static QString notMovedToTrash(const QString &name, int error);
    // How an undo went.
    static QString putBack(const CullingSession::PutBack &back);
    static QString nothingToPutBack();
    static QString noMorePictures();
    static QString notShownYet();
    // What the focus keys show: a focus point that makes no sense, and
    // where one to one opened.
    static QString noFocusFrame(const QString &name, const QString &problem);
    static QString oneToOneAtFocusPoint();
    static QString oneToOneAtCentre();
    static QString oneToOneAtSharpest();

private:
    QString m_news;
};

} // namespace quorvel::culling
