#include "ui/WidgetMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace quorvel::ui {

WidgetMessageBox::WidgetMessageBox(QString applicationTitle)
    : m_applicationTitle(std::move(applicationTitle))
{}

int WidgetMessageBox::show(const QString &prompt, int flags, const QString &title)
{
    QMessageBox box;
    box.setWindowTitle(title.isEmpty() ? m_applicationTitle : title);
    box.setText(prompt);
    box.setTextFormat(Qt::PlainText);
    box.setWindowIcon(QApplication::windowIcon());

    switch (flags & 0xF0) {
    case platform::MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case platform::MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case platform::MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }

    if ((flags & 0xF) == platform::MB_YESNO) {
        QPushButton *yes = box.addButton(QMessageBox::Yes);
        QPushButton *no = box.addButton(QMessageBox::No);
        box.setDefaultButton((flags & platform::MB_DEFBUTTON2) ? no : yes);
        // Like the classic box, a Yes/No question can't be dismissed without an
        // answer; Esc and the close box mean No, the safe one.
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? platform::IDYES : platform::IDNO;
    }
    box.addButton(QMessageBox::Ok);
    box.exec();
    return platform::IDOK;
}

} // namespace quorvel::ui
