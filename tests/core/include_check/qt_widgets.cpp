#include "files/FileNames.h"

#include <QtWidgets/QWidget>
