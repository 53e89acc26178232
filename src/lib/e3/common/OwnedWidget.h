#pragma once
// The Qt window of one control. The control disowns it before the control's
// own parts are gone (Te3Control does so for every family built on it),
// because the window outlives them by a moment: deleting child windows sends
// it events. From then on the window's own overrides see no owner and forward
// nothing.

namespace e3 {

// What the control holds of its window: the means to cut the window off.
class DisownableWidget {
public:
    virtual void Disown() = 0;

protected:
    ~DisownableWidget() = default;
};

template <class QtWidget, class Owner>
class OwnedWidget : public QtWidget, public DisownableWidget {
public:
    explicit OwnedWidget(Owner* owner)
        : owner_(owner)
    {
    }

    void Disown() final { owner_ = nullptr; }

protected:
    Owner* owner_;
};

} // namespace e3
