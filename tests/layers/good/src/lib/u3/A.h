#include "u3/StrLib.h"
