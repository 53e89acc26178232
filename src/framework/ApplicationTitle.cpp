#include "framework/ApplicationTitle.h"

#include <QCoreApplication>

#include <optional>

namespace fw {
namespace {

std::optional<std::string>& Title()
{
    static std::optional<std::string> title;
    return title;
}

} // namespace

std::string ApplicationTitle()
{
    if (Title())
        return *Title();
    return QCoreApplication::applicationName().toStdString();
}

void SetApplicationTitle(const std::string& title)
{
    Title() = title;
}

} // namespace fw
