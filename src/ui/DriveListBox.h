#pragma once

#include "ui/Volume.h"

#include <QComboBox>

namespace quorvel::ui {

class Volumes;

// The classic drive list, over the mounted volumes. Choosing a volume, or
// writing a different Drive, raises Change.
class DriveListBox : public QComboBox
{
    Q_OBJECT

public:
    explicit DriveListBox(Volumes &volumes, QWidget *parent = nullptr);

    Volume Drive() const;
    void setDrive(const Volume &volume);

signals:
    void Change();

private:
    Volumes &m_volumes;
};

} // namespace quorvel::ui
