#pragma once
// What the form reader needs of a container that takes named pages from a
// description: a new page of that name, shown first. The first described page
// replaces the pages the container made for itself.
#include "framework/Component.h"

#include <string>

namespace e3 {

class INamedPages {
public:
    virtual ~INamedPages() = default;
    virtual fw::TComponent* AddDescribedPage(const std::string& name) = 0;
};

} // namespace e3
