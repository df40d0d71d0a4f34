#include "main_window/WorkProgress.h"

#include <QProgressDialog>

namespace quorvel::main_window {

WorkProgress::WorkProgress(QWidget *parent, QString title)
    : m_parent(parent), m_title(std::move(title))
{}

WorkProgress::~WorkProgress() = default;

void WorkProgress::begin(const QString &text)
{
    m_text = text;
    m_started.start();
    m_lastShown.invalidate();
}

void WorkProgress::update(int done, int total)
{
    // A run that has moved its last file needs the window no more: the
    // summary comes next, and the window must not linger behind it (or,
    // armed to show itself later, pop up while the summary is read).
    if (done >= total) {
        m_dialog.reset();
        return;
    }
    if (!m_started.isValid() || m_started.elapsed() < showAfter)
        return;
    if (m_lastShown.isValid() && m_lastShown.elapsed() < updateInterval)
        return;
    m_lastShown.start();
    if (!m_dialog) {
        m_dialog = std::make_unique<QProgressDialog>(m_parent);
        m_dialog->setWindowTitle(m_title);
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setCancelButton(nullptr);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoReset(false);
        m_dialog->setAutoClose(false);
        m_dialog->setRange(0, total);
    }
    m_dialog->setLabelText(m_text.arg(done).arg(total));
    m_dialog->setValue(done);
    m_dialog->show();
}

void WorkProgress::end()
{
    m_dialog.reset();
    m_started.invalidate();
    m_lastShown.invalidate();
}

} // namespace quorvel::main_window
