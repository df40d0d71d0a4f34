#pragma once

#include "ui/App.h"

#include <QDialog>
#include <QString>
#include <QUrl>

class QFrame;
class QLabel;

namespace quorvel::platform {
class Launcher;
class MessageBox;
} // namespace quorvel::platform

namespace quorvel::ui {
class CommandButton;
class Label;
} // namespace quorvel::ui

namespace quorvel::about {

// The About box: program title, version, what the program does, the rights
// notice and a link to the product page. It is modeless and deletes itself
// when closed, so every opening builds and loads a fresh one.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    frmAbout(const ui::App &app, platform::Launcher &launcher, platform::MessageBox &messages,
             QWidget *parent = nullptr);

    // "Version major.minor.revision" from the version record.
    static QString versionLine(const ui::App &app);
    static QString description();
    static QString disclaimer();
    static QUrl productPage();

    // Fills every text from the version record and the constants above.
    void Form_Load();
    void cmdOK_Click();
    void lblDisclaimer_Click();

    QLabel *const picIcon;
    ui::Label *const lblTitle;
    ui::Label *const lblVersion;
    ui::Label *const lblDescription;
    QFrame *const Line1;
    ui::Label *const lblDisclaimer;
    ui::CommandButton *const cmdOK;

private:
    const ui::App m_app;
    platform::Launcher &m_launcher;
    platform::MessageBox &m_messages;
};

} // namespace quorvel::about
