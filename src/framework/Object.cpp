#include "framework/Object.h"

namespace fw {

TObject::TObject()
    : alive_(std::make_shared<bool>(true))
{
}

TObject::~TObject()
{
    *alive_ = false;
}

const TClassInfo& TObject::StaticClass()
{
    static const TClassInfo info {"TObject", nullptr, {}};
    return info;
}

const TClassInfo& TPersistent::StaticClass()
{
    static const TClassInfo info {"TPersistent", &TObject::StaticClass(), {}};
    return info;
}

} // namespace fw
