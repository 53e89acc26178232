#include "u3/A.h"
#include "engineapi/GUIEngine.h"
