// Disabling and enabling a panel that holds many controls, against Qt's own
// setEnabled on a parent of as many plain widgets; and whether the cascade and
// the tab order grow linearly with the number of controls.
#include "e3/containers/Panel.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

struct PanelTree {
    explicit PanelTree(int count)
    {
        panel = new e3::Te3_Panel(&root);
        panel->SetParent(&root);
        for (int i = 0; i < count; ++i)
            (new e3::Te3_Panel(&root))->SetParent(panel);
    }
    fw::TWinControl root {nullptr};
    e3::Te3_Panel* panel;
};

// Best of a few rounds of disable + enable, in seconds.
template <class Toggle>
double BestToggle(Toggle toggle, int rounds = 15)
{
    // Posted events are delivered between rounds, as a running program's event
    // loop does; left queued they would make every later post scan them all.
    QCoreApplication::sendPostedEvents();
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = Clock::now();
        toggle(false);
        toggle(true);
        best = std::min(best, Seconds(Clock::now() - t0));
        QCoreApplication::sendPostedEvents();
    }
    return best;
}

double CascadeTime(int count)
{
    PanelTree tree(count);
    return BestToggle([&](bool v) { tree.panel->SetEnabled(v); });
}

// Gives every child its tab position from the last to the first, as the form
// reader does at the end of a description.
double TabOrderTime(int count)
{
    double best = 1e9;
    for (int r = 0; r < 7; ++r) {
        PanelTree tree(count);
        std::vector<fw::TWinControl*> children;
        for (fw::TControl* c : tree.panel->ChildControls())
            children.push_back(static_cast<fw::TWinControl*>(c));
        QCoreApplication::sendPostedEvents();
        const auto t0 = Clock::now();
        for (int i = count - 1; i >= 0; --i)
            children[static_cast<size_t>(i)]->SetTabOrder(i);
        best = std::min(best, Seconds(Clock::now() - t0));
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int large = 5000, small = 500;

    const double ours = CascadeTime(large);
    QWidget parent;
    for (int i = 0; i < large; ++i)
        new QWidget(&parent);
    const double peer = BestToggle([&](bool v) { parent.setEnabled(v); });
    // Qt's own growth per widget, to read the growth of ours against.
    QWidget smallParent;
    for (int i = 0; i < small; ++i)
        new QWidget(&smallParent);
    const double peerSmall = BestToggle([&](bool v) { smallParent.setEnabled(v); });
    std::printf("cascade, Te3_Panel with %d controls, disable+enable: %.3f ms\n", large, ours * 1e3);
    std::printf("QWidget::setEnabled, parent with %d widgets, disable+enable: %.3f ms\n", large, peer * 1e3);
    std::printf("ratio ours/peer: %.2f (target at most 3)\n", ours / peer);

    const double cascadeSmall = CascadeTime(small);
    const double perLarge = ours / large, perSmall = cascadeSmall / small;
    std::printf("cascade per control: %.3f us at %d, %.3f us at %d, ratio %.2f (target at most 1.5)\n",
                perLarge * 1e6, large, perSmall * 1e6, small, perLarge / perSmall);
    std::printf("QWidget::setEnabled per widget: %.3f us at %d, %.3f us at %d, ratio %.2f\n",
                peer / large * 1e6, large, peerSmall / small * 1e6, small, (peer / large) / (peerSmall / small));

    const double tabLarge = TabOrderTime(large) / large, tabSmall = TabOrderTime(small) / small;
    std::printf("tab order per control: %.3f us at %d, %.3f us at %d, ratio %.2f (target at most 1.5)\n",
                tabLarge * 1e6, large, tabSmall * 1e6, small, tabLarge / tabSmall);
    return 0;
}
