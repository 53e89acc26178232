#include "client/BusyCursor.h"

#include <utility>

namespace client {

int BusyCount = 0;

namespace {
std::function<void(bool)>& ShapeHandler()
{
    static std::function<void(bool)> handler;
    return handler;
}
} // namespace

void BeginWaitCursor()
{
    ++BusyCount;
    if (ShapeHandler())
        ShapeHandler()(true);
}

void EndWaitCursor()
{
    --BusyCount;
    if (BusyCount < 0)
        BusyCount = 0;
    if (BusyCount == 0 && ShapeHandler())
        ShapeHandler()(false);
}

void SetCursorShapeHandler(std::function<void(bool busy)> handler)
{
    ShapeHandler() = std::move(handler);
}

} // namespace client
