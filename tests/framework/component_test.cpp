#include "framework/Control.h"
#include "framework/StandardProps.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

using namespace fw;

namespace {

// A small published class of the kind every control family declares.
class TTestBox : public TWinControl {
    FW_CLASS()
public:
    explicit TTestBox(TComponent* owner) : TWinControl(owner) { SetWidget(new QWidget); }
    bool GetFlag() const { return flag_; }
    void SetFlag(bool v) { flag_ = v; }
    TAlign GetSide() const { return GetAlign(); }
    void SetSide(TAlign a) { SetAlign(a); }
    void Poke() { ++pokes; }
    int pokes = 0;

private:
    bool flag_ = false;
};

const TClassInfo& TTestBox::StaticClass()
{
    static const TClassInfo info {
        "TTestBox",
        &TWinControl::StaticClass(),
        fw::TRows<TTestBox> {
            prop::Boolean("Flag", &TTestBox::GetFlag, &TTestBox::SetFlag),
            prop::Enum("Align", AlignType, &TTestBox::GetSide, &TTestBox::SetSide),
            prop::BoolAction("_Poke", &TTestBox::Poke),
            prop::Event("OnClick", NotifyEventType, &TControl::OnClick),
        },
        MakeFactory<TTestBox>(),
    };
    return info;
}

} // namespace

TEST(Rtti, PublishedNamesResolveInAnyCaseAndQtNamesNever)
{
    const TClassInfo& c = TTestBox::StaticClass();
    for (const char* name : {"flag", "FLAG", "Flag", "left", "WIDTH", "name", "tag", "hint", "_poke", "onclick"})
        EXPECT_NE(c.FindProperty(name), nullptr) << name;
    for (const char* name : {"objectName", "geometry", "windowTitle", "toolTip", "ClassName", "enabled"})
        EXPECT_EQ(c.FindProperty(name), nullptr) << name;
    EXPECT_TRUE(ClassInheritsFromName(&c, "TWinControl"));
    EXPECT_TRUE(ClassInheritsFromName(&c, "TTestBox"));
    EXPECT_FALSE(ClassInheritsFromName(&c, "TWINCONTROL"));
    EXPECT_FALSE(ClassInheritsFromName(nullptr, "TObject"));
}

// Two rows of one name in one table would leave one unreachable: refused when
// the table is built, in any letter case. A class may list again a name its
// base publishes, and its own row then wins.
TEST(Rtti, ANameListedTwiceInOneTableIsRefused)
{
    EXPECT_THROW(TClassInfo("TTwice", &TWinControl::StaticClass(),
                            TRows<TTestBox> {prop::Boolean("Flag", &TTestBox::GetFlag, &TTestBox::SetFlag),
                                             prop::Boolean("FLAG", &TTestBox::GetFlag, &TTestBox::SetFlag)}),
                 EPropertyError);
    const TClassInfo again("TAgain", &TTestBox::StaticClass(),
                           TRows<TTestBox> {prop::Boolean("flag", &TTestBox::GetFlag, nullptr)});
    ASSERT_NE(again.FindProperty("Flag"), nullptr);
    EXPECT_FALSE(again.FindProperty("Flag")->IsWritable());
}

// A named run is one entry of a table: its rows are listed there and reach the
// object's own members; a row listed again beside its run is a name listed twice.
TEST(Rtti, RunsListTheirRowsAndCountAsListed)
{
    namespace sp = std_props;
    const TClassInfo withRuns("TWithRuns", &TWinControl::StaticClass(),
                              TRows<TTestBox> {sp::FocusEvents(), prop::Boolean("Flag", &TTestBox::GetFlag, nullptr),
                                               sp::DragEvents()});
    std::vector<std::string> names;
    for (const TPropInfo& p : withRuns.OwnProperties())
        names.push_back(p.name);
    EXPECT_EQ(names, (std::vector<std::string> {"OnEnter", "OnExit", "Flag", "OnDragDrop", "OnDragOver", "OnEndDrag",
                                                "OnStartDrag"}));

    TTestBox box(nullptr);
    int entered = 0;
    TNotifyEvent handler = [&](TObject*) { ++entered; };
    withRuns.FindProperty("onenter")->set(box, std::any(handler));
    ASSERT_TRUE(box.OnEnter);
    box.OnEnter(&box);
    EXPECT_EQ(entered, 1);

    EXPECT_THROW(TClassInfo("TRunTwice", &TWinControl::StaticClass(), TRows<TTestBox> {sp::MouseEvents(), sp::OnMouseUp()}),
                 EPropertyError);
    EXPECT_THROW(TClassInfo("TRunsOverlap", &TWinControl::StaticClass(),
                            TRows<TTestBox> {sp::DockEvents(), sp::OnStartDock()}),
                 EPropertyError);
}

TEST(Rtti, AccessorsReachOurOwnState)
{
    TTestBox box(nullptr);
    const TClassInfo& c = box.ClassType();
    c.FindProperty("FLAG")->set(box, int64_t {1});
    EXPECT_TRUE(box.GetFlag());
    c.FindProperty("align")->set(box, int64_t {alClient});
    EXPECT_EQ(std::get<int64_t>(c.FindProperty("Align")->get(box)), alClient);
    c.FindProperty("_Poke")->set(box, int64_t {0});
    c.FindProperty("_Poke")->set(box, int64_t {0});
    EXPECT_EQ(box.pokes, 2);
    EXPECT_EQ(std::get<int64_t>(c.FindProperty("_Poke")->get(box)), 0);

    int clicks = 0;
    TNotifyEvent handler = [&](TObject*) { ++clicks; };
    c.FindProperty("OnClick")->set(box, std::any(handler));
    c.FindProperty("OnClick")->set(box, std::any(handler)); // binding replaces
    box.OnClick(&box);
    EXPECT_EQ(clicks, 1);
    TKeyPressEvent wrong = [](TObject*, char32_t&) {};
    EXPECT_THROW(c.FindProperty("OnClick")->set(box, std::any(wrong)), std::bad_any_cast);
}

TEST(Component, NamesAreUniquePerOwnerAndFoundWithoutRegardToCase)
{
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    a->SetName("Edit1");
    auto* b = new TComponent(&owner);
    EXPECT_THROW(b->SetName("EDIT1"), EComponentError);
    EXPECT_THROW(b->SetName("1abc"), EComponentError);
    b->SetName("Edit2");
    EXPECT_EQ(owner.FindComponent("edit1"), a);
    a->SetName("Renamed");
    EXPECT_EQ(owner.FindComponent("edit1"), nullptr);
    EXPECT_EQ(owner.FindComponent("RENAMED"), a);
    EXPECT_EQ(owner.ComponentCount(), 2);
    // Another owner may use the same name.
    TComponent other(nullptr);
    auto* c = new TComponent(&other);
    EXPECT_NO_THROW(c->SetName("Edit2"));
}

TEST(Component, OwnerFreesAndGuardsSeeTheEnd)
{
    auto* owner = new TComponent(nullptr);
    auto* child = new TComponent(owner);
    auto* grandChild = new TComponent(child);
    Guard<TComponent> g1(child), g2(grandChild);
    EXPECT_EQ(owner->OwningChildren(), std::vector<TComponent*> {child});
    delete owner;
    EXPECT_FALSE(g1);
    EXPECT_FALSE(g2);
}

TEST(Component, ReleasedComponentIsDetachedAtOnceAndDeletedLater)
{
    TTestBox form(nullptr);
    form.SetName("Form");
    auto* box = new TTestBox(&form);
    box->SetName("Box");
    box->SetParent(&form);
    Guard<TTestBox> guard(box);
    box->Release();
    EXPECT_FALSE(guard);
    EXPECT_EQ(form.FindComponent("Box"), nullptr);
    EXPECT_EQ(form.ControlCount(), 0);
    // The name is free again at once.
    auto* again = new TTestBox(&form);
    EXPECT_NO_THROW(again->SetName("Box"));
    TComponent::DeleteReleased();
}

namespace {
struct TNoisy : TComponent {
    explicit TNoisy(TComponent* owner, bool* deleted) : TComponent(owner), deleted_(deleted) {}
    ~TNoisy() override { *deleted_ = true; }
    bool* deleted_;
};
} // namespace

TEST(Component, ReleasedComponentWaitsUntilNoHandlerRuns)
{
    bool deleted = false;
    auto* c = new TNoisy(nullptr, &deleted);
    {
        HandlerScope running;
        c->Release();
        // A nested loop inside a running handler must not delete it.
        QEventLoop loop;
        QTimer::singleShot(120, &loop, &QEventLoop::quit);
        loop.exec();
        EXPECT_FALSE(deleted);
    }
    QEventLoop loop;
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(deleted);
}

TEST(Control, OwnerAndParentAreTwoRelations)
{
    TTestBox form(nullptr);
    TTestBox panel(nullptr);
    panel.SetParent(&form);
    auto* edit = new TTestBox(&form); // owned by the form ...
    edit->SetParent(&panel);          // ... shown on the panel
    EXPECT_EQ(edit->Owner(), &form);
    EXPECT_EQ(edit->Parent(), &panel);
    EXPECT_EQ(edit->Widget()->parentWidget(), panel.Widget());
    EXPECT_EQ(panel.ControlCount(), 1);
    // Freeing the parent takes its child controls along, and the owner hears it.
    panel.SetParent(nullptr);
    Guard<TTestBox> guard(edit);
    {
        TTestBox* doomed = new TTestBox(nullptr);
        edit->SetParent(doomed);
        delete doomed;
    }
    EXPECT_FALSE(guard);
    EXPECT_EQ(form.ComponentCount(), 0);
}

TEST(Control, VisibleAndEnabledAreOurOwnState)
{
    TTestBox parent(nullptr);
    auto* child = new TTestBox(&parent);
    child->SetParent(&parent);
    parent.SetEnabled(false);
    EXPECT_TRUE(child->GetEnabled()); // Qt would say false for the child
    EXPECT_FALSE(child->Widget()->isEnabled());
    parent.SetVisible(false);
    EXPECT_TRUE(child->GetVisible());
    EXPECT_FALSE(child->IsShowing());
}

TEST(Control, AlignPlacesSidesThenClient)
{
    TTestBox form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto make = [&](TAlign a, int32_t w, int32_t h) {
        auto* c = new TTestBox(&form);
        c->SetBounds(0, 0, w, h);
        c->SetAlign(a);
        c->SetParent(&form);
        return c;
    };
    TTestBox* client = make(alClient, 10, 10);
    TTestBox* top = make(alTop, 10, 30);
    TTestBox* bottom = make(alBottom, 10, 20);
    TTestBox* left = make(alLeft, 40, 10);
    TTestBox* right = make(alRight, 50, 10);
    auto bounds = [](TControl* c) {
        return std::vector<int32_t> {c->GetLeft(), c->GetTop(), c->GetWidth(), c->GetHeight()};
    };
    EXPECT_EQ(bounds(top), (std::vector<int32_t> {0, 0, 300, 30}));
    EXPECT_EQ(bounds(bottom), (std::vector<int32_t> {0, 180, 300, 20}));
    EXPECT_EQ(bounds(left), (std::vector<int32_t> {0, 30, 40, 150}));
    EXPECT_EQ(bounds(right), (std::vector<int32_t> {250, 30, 50, 150}));
    EXPECT_EQ(bounds(client), (std::vector<int32_t> {40, 30, 210, 150}));
    form.SetBounds(0, 0, 400, 300);
    EXPECT_EQ(bounds(client), (std::vector<int32_t> {40, 30, 310, 250}));
    top->SetVisible(false);
    EXPECT_EQ(bounds(client), (std::vector<int32_t> {40, 0, 310, 280}));
}

TEST(Control, LayoutWaitsWhileHeldAndAnchorsFollowTheParent)
{
    TTestBox form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* stretch = new TTestBox(&form);
    TTestBox* client = nullptr;
    {
        LayoutHold hold;
        stretch->SetBounds(10, 10, 100, 20);
        stretch->SetAnchors((1u << akLeft) | (1u << akTop) | (1u << akRight));
        stretch->SetParent(&form);
        client = new TTestBox(&form);
        client->SetAlign(alClient);
        client->SetParent(&form);
        EXPECT_EQ(client->GetWidth(), 0);
    }
    form.AlignTree();
    EXPECT_EQ(client->GetWidth(), 300);
    form.SetBounds(0, 0, 350, 200);
    EXPECT_EQ(stretch->GetWidth(), 150);
    EXPECT_EQ(stretch->GetLeft(), 10);
}

TEST(Control, ConstraintsBoundTheSize)
{
    TTestBox box(nullptr);
    box.GetConstraints()->SetMaxWidth(50);
    box.GetConstraints()->SetMinHeight(30);
    box.SetBounds(0, 0, 80, 10);
    EXPECT_EQ(box.GetWidth(), 50);
    EXPECT_EQ(box.GetHeight(), 30);
}

TEST(Control, FontAndColourFollowTheParentUntilSetOwnValues)
{
    TTestBox parent(nullptr);
    auto* child = new TTestBox(&parent);
    child->SetParent(&parent);
    child->SetParentColor(true);
    parent.GetFont()->SetSize(12);
    parent.SetColor(clRed);
    EXPECT_EQ(child->GetFont()->GetSize(), 12);
    EXPECT_EQ(child->GetColor(), clRed);
    child->GetFont()->SetStyle(1u << fsBold);
    EXPECT_FALSE(child->GetParentFont());
    parent.GetFont()->SetSize(14);
    EXPECT_EQ(child->GetFont()->GetSize(), 12);
    EXPECT_EQ(ToQColor(clRed), QColor(255, 0, 0));
    EXPECT_EQ(ToQColor(0x123456), QColor(0x56, 0x34, 0x12));
}
