#include "platform/Trash.h"
#include "ui/Label.h"
