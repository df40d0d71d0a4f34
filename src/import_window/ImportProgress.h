#pragma once

#include <QObject>
#include <QTimer>

class QProgressDialog;
class QWidget;

namespace quorvel::import {
class ImportJob;
}

namespace quorvel::import_window {

// The progress window of an import: files, bytes, speed and time left, read
// from the job as often as the eye can follow, and a Cancel that stops the
// run after the file being copied. It closes when the job ends.
class ImportProgress : public QObject
{
    Q_OBJECT

public:
    ImportProgress(import::ImportJob &job, QWidget *parent);
    ~ImportProgress() override;

    QProgressDialog *dialog() const { return m_dialog; }
    void cancel();

    static constexpr int updateInterval = 100; // ms

private:
    void update();

    import::ImportJob &m_job;
    QProgressDialog *m_dialog;
    QTimer m_timer;
};

} // namespace quorvel::import_window
