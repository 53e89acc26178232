#pragma once
// The Qt window of one control. The control's destructor disowns it, because
// the window outlives that part of the object by a moment; from then on the
// window's own overrides see no owner and forward nothing.

namespace e3 {

template <class QtWidget, class Owner>
class OwnedWidget : public QtWidget {
public:
    explicit OwnedWidget(Owner* owner)
        : owner_(owner)
    {
    }

    void Disown() { owner_ = nullptr; }

protected:
    Owner* owner_;
};

} // namespace e3
