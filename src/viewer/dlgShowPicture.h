#pragma once

#include "culling/BrowsedList.h"
#include "pictures/PictureCache.h"
#include "trimming/RecycleFile.h"
#include "ui/DisplayBox.h"
#include "viewer/Culler.h"
#include "viewer/ViewerKeys.h"

#include <functional>
#include <memory>
#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <QString>

namespace quorvel::platform {
class MessageBox;
class ScreenProfiles;
} // namespace quorvel::platform

namespace quorvel::culling {
class CullingSession;
}

namespace quorvel::ui {
class CommandButton;
class Image;
class Label;
} // namespace quorvel::ui

class QSettings;
class QWindow;

namespace quorvel::viewer {

class CloseLook;
class PictureStage;
class PictureView;

// The picture viewer: shows the picture named by Tag as large as its box
// allows (in the dialog's own layout, 8000 twips on its longer side), or a
// red line saying it can't be loaded, and offers to move the picture to the
// trash. The dialog is made once and only hidden and shown again; every
// opening displays the picture Tag names at that moment.
//
// Given the list it was opened from, it is also a culling tool (see Culler
// and culling::CullingSession): keys move through the list (its selection
// follows without a Click, so closing leaves the user on the last picture
// seen), Delete sends the shown picture to the trash at once, takes its name
// out of the list and moves on, and Ctrl+Z walks back through this opening's
// rejections. Keys may run ahead of the decodes; Delete, key or button, acts
// only on the picture on screen (shownPath), never on one still on its way.
//
// Pictures are shown in the colours of the screen the dialog is on, as its
// profile in screenProfiles says; the status line names a picture's colour
// space when it is not sRGB, and says once when a profile can't be used.
class dlgShowPicture : public QDialog
{
    Q_OBJECT

public:
    // refreshFileLists re-reads the main window's lists after a deletion. It
    // runs inside Delete's click, so it reports its own failures rather than
    // throwing. decoder reads and decodes the pictures; empty, the program's
    // own (pictures::PictureCache::decode). screenProfiles tells each
    // screen's colour profile; null, every screen is taken for sRGB.
    // settings keeps the focus frame and peaking choices; null, not kept.
    dlgShowPicture(platform::MessageBox &messages, trimming::RecycleFunction recycle,
                   std::function<void()> refreshFileLists,
                   pictures::PictureCache::Decoder decoder = {},
                   const platform::ScreenProfiles *screenProfiles = nullptr,
                   QSettings *settings = nullptr, QWidget *parent = nullptr);
    ~dlgShowPicture() override;

    // The full path of the picture to show.
    QString Tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

    // Displays the picture named by Tag. Its one caller passes Tag itself;
    // the argument is not read, Tag is.
    void showPicture(const QString & /*txtPictureToShow: Tag*/);

    // Shows the dialog modally; returns once it has been hidden again, by
    // Close, by a deletion or by the title bar's close box.
    void ShowModal();

    // The list the shown picture was chosen from, and which the keys move
    // through; null (the default) when there is none. Set before each opening.
    void setBrowsedList(std::unique_ptr<culling::BrowsedList> list)
    {
        m_culler->setBrowsedList(std::move(list));
    }

    // The culling keys, public so that they can be driven like the user
    // drives them (see ViewerKeys). Each acts on the browsed list and does
    // nothing without one.
    void showNext() { m_culler->next(); }
    void showPrevious() { m_culler->previous(); }
    void showFirst() { m_culler->first(); }
    void showLast() { m_culler->last(); }
    // Moves the shown picture to the trash, without a question, and shows the
    // next one (the previous one at the end of the list). Does nothing but
    // say so when the picture the list is on is not on screen yet.
    void rejectShown() { m_culler->reject(); }
    // Puts the last rejected picture of this opening back and shows it.
    void undoReject() { m_culler->undo(); }
    // The action each key triggers (see ViewerKeys), for triggering it
    // without a key.
    QAction *keyAction(ViewerKeys::Command command) const { return m_keys->action(command); }
    // F11: the picture fills the screen left of the buttons; again, or Esc,
    // and the dialog is back at its own size, as it is once hidden.
    void toggleFullScreen();
    // Z or a double-click: the picture at one to one (see CloseLook).
    bool showsActualPixels() const;
    // The file the user sees: its picture, its thumbnail standing in for it,
    // or the line saying it can't be loaded; empty when nothing is shown. It
    // lags Tag for the moment a key is quicker than the decode. Delete acts
    // on it. showsStandIn: only the thumbnail is shown yet.
    QString shownPath() const;
    bool showsStandIn() const;

    // Length in twips of the displayed picture's longer side in the dialog's
    // own layout, and the size a picture of W x H twips is shown at there
    // (see ui::DisplayBox).
    static constexpr qint16 boxEdge = ui::DisplayBox::boxEdge;
    using BoxSize = ui::DisplayBox::BoxSize;
    static BoxSize fitToBox(float W, float H) { return ui::DisplayBox::fitToBox(W, H); }

    ui::Image *const Image1;
    ui::Image *const Image2;
    ui::Label *const Label1;
    // Where in the list the shown picture is, and what the last key did.
    ui::Label *const lblStatus;
    ui::CommandButton *const OKButton;
    ui::CommandButton *const cmdDelete;

    // Shown, the dialog starts decoding its picture before it makes its
    // window, so that the two go on at once.
    void setVisible(bool visible) override;

signals:
    // A rejection has taken a name out of the browsed list, without a new
    // reading of its folder: whoever shows its count or its marks updates
    // them.
    void nameRemoved();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void Form_Activate();
    void cmdDelete_Click();
    void OKButton_Click();
    // The controls where the dialog's size puts them, and the box with them.
    void placeControls();
    // Where every opening starts: the dialog's own size, place and box.
    void restoreOwnLayout();
    void leaveFullScreen();
    // The shown picture again, for a box of another size.
    void redisplay();

    platform::MessageBox &m_messages;
    std::function<void()> m_refreshFileLists;
    QString m_tag;
    culling::CullingSession *const m_session;
    PictureStage *const m_stage;
    PictureView *const m_view;
    Culler *const m_culler;
    CloseLook *const m_closeLook;
    ViewerKeys *const m_keys;
    // Where the dialog was before full screen, to go back to.
    QPoint m_placeBeforeFullScreen;
    // The window whose moves between screens the dialog follows.
    QPointer<QWindow> m_followedWindow;
};

} // namespace quorvel::viewer
