#include "e3/common/ControlBase.h"

namespace e3 {

bool WordList::Contains(const std::string& propName) const
{
    return wholeWord ? WordListHasWord(words, propName) : WordListContains(words, propName);
}

} // namespace e3
