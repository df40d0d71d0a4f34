#pragma once

#include <QLineEdit>

namespace quorvel::ui {

// The classic one-line text box. The program only writes into its boxes, so
// they are read-only to the user.
class TextBox : public QLineEdit
{
public:
    explicit TextBox(QWidget *parent = nullptr);

    QString Text() const { return text(); }
};

} // namespace quorvel::ui
