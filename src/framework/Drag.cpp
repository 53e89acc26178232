#include "framework/Drag.h"

#include <QCursor>
#include <QGuiApplication>

namespace fw {
namespace {

struct State {
    bool active = false;
    Guard<TControl> source;
    Guard<TControl> target;
    int32_t x = 0, y = 0; // last point in the target's client area
    bool accepted = false;
    bool cursorSet = false;
};

State& Current()
{
    static State state;
    return state;
}

void ShowCursor()
{
    State& s = Current();
    const TControl* source = s.source.get();
    const QCursor cursor(CursorShapeOf(s.accepted && source ? source->GetDragCursor() : crNoDrop));
    if (s.cursorSet) {
        QGuiApplication::changeOverrideCursor(cursor);
    } else {
        QGuiApplication::setOverrideCursor(cursor);
        s.cursorSet = true;
    }
}

// Ends the session and tells the source (when it still lives).
void Finish(TControl* target, int32_t x, int32_t y)
{
    State& s = Current();
    Guard<TControl> source = s.source;
    if (s.cursorSet)
        QGuiApplication::restoreOverrideCursor();
    s = State();
    if (TControl* c = source.get())
        c->DoEndDrag(target, target ? x : 0, target ? y : 0);
}

} // namespace

namespace DragSession {

bool Active()
{
    return Current().active;
}

TControl* Source()
{
    return Current().source.get();
}

void Begin(TControl* source)
{
    State& s = Current();
    if (s.active || !source)
        return;
    s.active = true;
    s.source = source;
    ShowCursor();
    source->DoStartDrag();
    if (!s.source)
        Cancel();
}

void Move(TControl* target, int32_t x, int32_t y)
{
    State& s = Current();
    if (!s.active)
        return;
    if (target && !target->GetEnabled())
        target = nullptr;
    TControl* source = s.source.get();
    if (!source) {
        Cancel();
        return;
    }
    Guard<TControl> keep(source);
    if (TControl* old = s.target.get(); old && old != target) {
        s.target = nullptr;
        s.accepted = false;
        old->DragOver(source, s.x, s.y, dsDragLeave);
        if (!Active())
            return;
    }
    if (!keep) {
        Cancel();
        return;
    }
    const TDragState state = s.target.get() == target ? dsDragMove : dsDragEnter;
    s.target = target;
    s.x = x;
    s.y = y;
    s.accepted = target && target->DragOver(source, x, y, state);
    if (!Active())
        return;
    if (!s.target.get())
        s.accepted = false;
    ShowCursor();
}

void Drop()
{
    State& s = Current();
    if (!s.active)
        return;
    TControl* source = s.source.get();
    Guard<TControl> target = s.target;
    const int32_t x = s.x, y = s.y;
    bool accepted = false;
    if (target && source) {
        accepted = target->DragOver(source, x, y, dsDragLeave);
        if (accepted && target && Current().source)
            target->DragDrop(source, x, y);
    }
    Finish(accepted ? target.get() : nullptr, x, y);
}

void Cancel()
{
    State& s = Current();
    if (!s.active)
        return;
    Guard<TControl> target = s.target;
    s.target = nullptr;
    if (target && s.source)
        target->DragOver(s.source.get(), s.x, s.y, dsDragLeave);
    Finish(nullptr, 0, 0);
}

} // namespace DragSession
} // namespace fw
