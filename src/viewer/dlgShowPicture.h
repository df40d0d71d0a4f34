#pragma once

#include "trimming/RecycleFile.h"

#include <functional>
#include <optional>
#include <QDialog>
#include <QString>

namespace quorvel::platform {
class MessageBox;
}

namespace quorvel::ui {
class CommandButton;
class Image;
class Label;
} // namespace quorvel::ui

namespace quorvel::viewer {

// The picture viewer: shows the picture named by Tag with its longer side
// 8000 twips long, or a red line saying it can't be loaded, and offers to
// move the picture to the trash. The dialog is made once and only hidden and
// shown again; every opening displays the picture Tag names at that moment.
class dlgShowPicture : public QDialog
{
    Q_OBJECT

public:
    // refreshFileLists re-reads the main window's lists after a deletion. It
    // runs inside Delete's click, so it reports its own failures rather than
    // throwing.
    dlgShowPicture(platform::MessageBox &messages, trimming::modQuorvel::RecycleFunction recycle,
                   std::function<void()> refreshFileLists, QWidget *parent = nullptr);

    // The full path of the picture to show.
    QString Tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

    // Displays the picture named by Tag.
    void showPicture(const QString &txtPictureToShow);

    // Shows the dialog modally; returns once it has been hidden again, by
    // Close, by a deletion or by the title bar's close box.
    void ShowModal();

    // Length in twips of the displayed picture's longer side.
    static constexpr qint16 boxEdge = 8000;

    // The displayed size, in twips, for a picture measuring W x H. The
    // product comes first and the quotient is kept in single precision,
    // fractions included. A picture with no extent at all has no width to
    // compute; the image then keeps the width it had.
    struct BoxSize
    {
        float Height = 0;
        std::optional<float> Width;
    };
    static BoxSize fitToBox(float W, float H);

    ui::Image *const Image1;
    ui::Image *const Image2;
    ui::Label *const Label1;
    ui::CommandButton *const OKButton;
    ui::CommandButton *const cmdDelete;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Activate();
    void cmdDelete_Click();
    void OKButton_Click();
    void showLoadFailure();

    platform::MessageBox &m_messages;
    trimming::modQuorvel::RecycleFunction m_recycle;
    std::function<void()> m_refreshFileLists;
    QString m_tag;
};

} // namespace quorvel::viewer
