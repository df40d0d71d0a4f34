#include "files/FileNames.h"
#include "platform/Trash.h"

#include <QByteArray>
#include <vector>
