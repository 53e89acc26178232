#include "d/D2.h"
