#include "ui/Label.h"
#include "viewer/dlgShowPicture.h"

#include <QWidget>
