#include "u3/StrLib.h"
#include "client/Client.h"
