#pragma once

#include "platform/MessageBox.h"

namespace quorvel::ui {

// The message box on screen: a modal QMessageBox whose buttons, icon and
// default button follow the flag word. It shows the prompt as given, as
// plain text.
class WidgetMessageBox final : public platform::MessageBox
{
public:
    explicit WidgetMessageBox(QString applicationTitle);

    int show(const QString &prompt, int flags, const QString &title = QString()) override;

private:
    QString m_applicationTitle;
};

} // namespace quorvel::ui
