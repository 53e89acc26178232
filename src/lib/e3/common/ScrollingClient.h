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

    // The extent the content has at least in one direction (0: the visible size).
    int Range(Qt::Orientation orientation) const;
    void SetRange(Qt::Orientation orientation, int range);

private:
    QScrollArea* area_;
    ScrollingContent* content_;
    std::function<QSize()> visibleSize_;
    bool autoScroll_ = true;
    int horzRange_ = 0;
    int vertRange_ = 0;
};

// One scroll bar of a scrolling container, as the engine sets it: Range is
// the content's extent in that direction (setting it ends AutoScroll, which
// would work the range out from the children again), Position the scrolled
// distance, Increment the step of the arrow buttons; a hidden scroll bar does
// not scroll.
class TControlScrollBar : public fw::TPersistent {
    FW_CLASS()
public:
    TControlScrollBar(ScrollingClient* client, Qt::Orientation orientation);

    int32_t GetIncrement() const;
    void SetIncrement(int32_t value);
    int32_t GetPosition() const;
    void SetPosition(int32_t value);
    int32_t GetRange() const;
    void SetRange(int32_t value);
    bool GetVisible() const { return visible_; }
    void SetVisible(bool value);
    bool GetTracking() const;
    void SetTracking(bool value);

private:
    QScrollBar* Bar() const;

    ScrollingClient* client_;
    Qt::Orientation orientation_;
    bool visible_ = true;
};

} // namespace e3
