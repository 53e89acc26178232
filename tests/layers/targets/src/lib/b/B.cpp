#include "b/B.h"
#include "a/A.h"
#include "c/C.h"
#include "gen/Generated.h"
#include <vector>
