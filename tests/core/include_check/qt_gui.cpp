#include "files/FileNames.h"

#include <QImage>
