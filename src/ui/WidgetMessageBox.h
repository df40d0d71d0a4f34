#pragma once

#include "platform/MessageBox.h"

namespace quorvel::ui {

// The message box on screen: a modal QMessageBox whose buttons, icon and
// default button follow the flag word.
class WidgetMessageBox final : public platform::MessageBox
{
public:
    explicit WidgetMessageBox(QString applicationTitle);

    int show(const QString &prompt, int flags, const QString &title = QString()) override;

    // The text as shown: "\r\n" and the odd "\n\r" become one line break each.
    static QString displayText(const QString &prompt);

private:
    QString m_applicationTitle;
};

} // namespace quorvel::ui
