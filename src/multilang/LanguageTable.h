#pragma once
// The language table sits at the bottom layer: the dictionary model needs the
// captions of its key and text columns, and the window-less batch mode reads
// and writes language codes.
#include "u3/LanguageTable.h"
