#pragma once
// The language table lives beside the dictionary model, whose word
// translation needs the captions of the key and text columns; the translation
// layer here builds on both.
#include "e3/dictionary/LanguageTable.h"
