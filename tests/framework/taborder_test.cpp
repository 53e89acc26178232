#include "framework/Control.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <string>
#include <vector>

using namespace fw;

namespace {

// A parent with the windowed children A..E and a plain control between them,
// which never takes part in the tab order.
class TabOrder : public ::testing::Test {
protected:
    TabOrder()
    {
        for (const char* name : {"A", "B", "C", "D", "E"}) {
            auto* c = new TWinControl(&parent);
            c->SetName(name);
            c->SetParent(&parent);
            if (std::string(name) == "B")
                (new TControl(&parent))->SetParent(&parent);
        }
    }

    TWinControl* Child(const char* name) { return static_cast<TWinControl*>(parent.FindComponent(name)); }

    // The names in tab order; fails when a control's own TabOrder disagrees
    // with its place in the list.
    std::string Order(const TWinControl& p)
    {
        std::string s;
        for (size_t i = 0; i < p.TabList().size(); ++i) {
            const TWinControl* c = p.TabList()[i];
            EXPECT_EQ(c->GetTabOrder(), static_cast<int32_t>(i)) << c->GetName();
            s += c->GetName();
        }
        return s;
    }

    TWinControl parent {nullptr};
};

TEST_F(TabOrder, AControlMovesToItsPlaceAndTheOthersCloseUp)
{
    struct Step {
        const char* control;
        int32_t order;
        const char* expected;
    } steps[] = {
        {"A", 3, "BCDAE"},  // forwards
        {"E", 0, "EBCDA"},  // backwards to the front
        {"C", -1, "EBDAC"}, // a negative place is the last one
        {"B", 99, "EDACB"}, // so is one past the end
        {"D", 1, "EDACB"},  // its own place: nothing moves
        {"B", 2, "EDBAC"},
    };
    ASSERT_EQ(Order(parent), "ABCDE");
    for (const Step& s : steps) {
        Child(s.control)->SetTabOrder(s.order);
        EXPECT_EQ(Order(parent), s.expected) << s.control << " to " << s.order;
    }
}

TEST_F(TabOrder, LeavingTheParentTakesTheControlOutOfItsTabOrder)
{
    Child("A")->SetTabOrder(4); // BCDEA
    TWinControl other(nullptr);
    TWinControl* c = Child("C");
    c->SetParent(&other);
    EXPECT_EQ(Order(parent), "BDEA");
    EXPECT_EQ(Order(other), "C");

    // Freed: the control has lost its derived type by the time it leaves.
    delete Child("D");
    EXPECT_EQ(Order(parent), "BEA");
    Child("A")->SetTabOrder(0);
    EXPECT_EQ(Order(parent), "ABE");

    c->SetParent(nullptr);
    EXPECT_EQ(c->GetTabOrder(), -1);
    c->SetTabOrder(0); // nothing to order it in
    EXPECT_EQ(c->GetTabOrder(), -1);
    EXPECT_TRUE(other.TabList().empty());
    c->SetParent(&parent);
    EXPECT_EQ(Order(parent), "ABEC");
}

// A windowed control with a widget of its own, as every family has.
class WidgetControl : public TWinControl {
public:
    explicit WidgetControl(TComponent* owner)
        : TWinControl(owner)
    {
        auto* w = new QWidget;
        w->setFocusPolicy(Qt::StrongFocus);
        SetWidget(w);
    }
};

// Tab moves between the widgets follow our order: the children's order in
// Qt's focus chain must match the tab list after moves, stays and re-parenting.
TEST(TabOrderOfWidgets, QtsFocusChainRunsInTheTabOrder)
{
    WidgetControl parent(nullptr);
    std::vector<WidgetControl*> children;
    for (const char* name : {"A", "B", "C", "D", "E"}) {
        children.push_back(new WidgetControl(&parent));
        children.back()->SetName(name);
        children.back()->SetParent(&parent);
    }
    auto named = [&](const char* name) { return static_cast<TWinControl*>(parent.FindComponent(name)); };
    auto chain = [&] {
        std::string s;
        QWidget* w = parent.Widget();
        for (QWidget* next = w->nextInFocusChain(); next != w; next = next->nextInFocusChain())
            for (WidgetControl* c : children)
                if (c->Widget() == next)
                    s += c->GetName();
        return s;
    };
    auto order = [&] {
        std::string s;
        for (const TWinControl* c : parent.TabList())
            s += c->GetName();
        return s;
    };
    EXPECT_EQ(chain(), "ABCDE");
    for (const auto& [name, place] : {std::pair {"C", 2}, {"A", 3}, {"B", 0}, {"B", 0}, {"E", 1}}) {
        named(name)->SetTabOrder(place);
        EXPECT_EQ(chain(), order()) << name << " to " << place;
    }
    WidgetControl other(nullptr);
    TWinControl* d = named("D");
    d->SetParent(&other);
    d->SetParent(&parent);
    d->SetTabOrder(d->GetTabOrder());
    EXPECT_EQ(chain(), order());
    d->SetTabOrder(0);
    EXPECT_EQ(chain(), order());
}

} // namespace
