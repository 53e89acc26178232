#include "client/BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

#include <utility>

namespace client {

int BusyCount = 0;

namespace {
std::function<void(bool)>& ShapeHandler()
{
    static std::function<void(bool)> handler;
    return handler;
}

// Whether the hourglass is on the application's cursor stack. It is pushed
// once and taken off once, so that the cursors others push and pop around an
// engine call stay balanced.
bool hourglassShown = false;

void ShowScreenCursor(bool busy)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (busy && !hourglassShown) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        hourglassShown = true;
    } else if (!busy && hourglassShown) {
        QGuiApplication::restoreOverrideCursor();
        hourglassShown = false;
    }
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

void InstallScreenBusyCursor()
{
    SetCursorShapeHandler(ShowScreenCursor);
}

void RemoveScreenBusyCursor()
{
    ShowScreenCursor(false);
    SetCursorShapeHandler(nullptr);
}

} // namespace client
