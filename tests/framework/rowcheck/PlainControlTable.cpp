// A control without a window of its own and its table. The build compiles it
// as it is; the checks in ../CMakeLists.txt compile it again listing a
// windowed row or run, which must not compile: the windowed rows' accessors
// would treat the plain control as a windowed one.
#include "framework/StandardProps.h"

namespace {

class TPlainControl : public fw::TControl {
    FW_CLASS()
public:
    using fw::TControl::TControl;
};

} // namespace

const fw::TClassInfo& TPlainControl::StaticClass()
{
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "TPlainControl",
        &fw::TControl::StaticClass(),
        fw::TRows<TPlainControl> {
            sp::Visible(),
            sp::MouseEvents(),
            sp::DragEvents(),
#if defined(LIST_WINDOWED_ROW)
            sp::OnEnter(),
#elif defined(LIST_WINDOWED_RUN)
            sp::KeyEvents(),
#endif
        },
    };
    return info;
}

// Keeps the table in the object file.
const fw::TClassInfo& PlainControlClass()
{
    return TPlainControl::StaticClass();
}
