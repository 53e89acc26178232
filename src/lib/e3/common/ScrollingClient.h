#pragma once
// The client area of a scrolling container (scroll box, frame): the children
// sit on a content widget inside a scroll area, so their widgets' Qt parent is
// not the container's own window. The content covers the visible area and,
// with AutoScroll, every visible child, so that the scroll bars reach them all.
#include "framework/Control.h"

#include <QScrollArea>

#include <functional>

namespace e3 {

// Which scroll bars a scrolling control shows (scroll box, memo).
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
extern const fw::TEnumType ScrollStyleType;

class ScrollingContent;

class ScrollingClient {
public:
    // visibleSize gives the container's client size (inside its border); it
    // is first asked once the container is built (declare the member last).
    ScrollingClient(fw::TWinControl* control, std::function<QSize()> visibleSize);
    ~ScrollingClient();
    ScrollingClient(const ScrollingClient&) = delete;
    ScrollingClient& operator=(const ScrollingClient&) = delete;

    // The container's window; the control takes it with SetWidget.
    QScrollArea* Area() const { return area_; }
    QWidget* Content() const;

    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool value);
    // Where the visible children end, in content coordinates.
    QSize ChildExtent() const;
    void UpdateExtent();

private:
    QScrollArea* area_;
    ScrollingContent* content_;
    std::function<QSize()> visibleSize_;
    bool autoScroll_ = true;
};

} // namespace e3
