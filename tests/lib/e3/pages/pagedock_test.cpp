#include "../TestContainer.h"
#include "e3/pages/PageControl.h"
#include "framework/Form.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <functional>

#include <gtest/gtest.h>

namespace {

// A form that tells the dock site holding it when it is shown or hidden, as
// the client's forms do.
class DockForm : public fw::TCustomForm {
public:
    DockForm(fw::TComponent* owner, const std::string& caption)
        : fw::TCustomForm(owner)
    {
        SetText(caption);
        SetBounds(0, 0, 200, 150);
    }
    void SetVisible(bool visible) override
    {
        if (visible != GetVisible())
            if (auto* site = dynamic_cast<fw::IDockSite*>(Parent()))
                site->DockedVisibleChanging(*this, visible);
        fw::TCustomForm::SetVisible(visible);
    }
};

// A page control with one sheet of its own, taking docked forms.
class PageDockTest : public ::testing::Test {
public:
    PageDockTest()
    {
        root.SetBounds(0, 0, 400, 300);
        pages = new e3::Te3_PageControl(&root);
        pages->SetParent(&root);
        pages->SetAlign(fw::alClient);
        pages->SetDockSite(true);
        design = new e3::Te3_TabSheet(&root);
        design->SetText("Design");
        design->SetParent(pages);
        pages->OnDockDrop = [this](fw::TObject* sender, fw::TObject* source, int32_t, int32_t) {
            EXPECT_EQ(sender, pages);
            calls.push_back("dropped " + dynamic_cast<fw::TControl*>(source)->GetText());
        };
    }

    ~PageDockTest() override { fw::TComponent::DeleteReleased(); }

    DockForm* Dock(const std::string& caption, bool visible)
    {
        auto* form = new DockForm(&root, caption);
        form->SetVisible(visible);
        pages->DockDrop(*form, 0, 0, fw::alClient, nullptr);
        return form;
    }

    std::vector<std::string> TabTexts() const
    {
        std::vector<std::string> texts;
        for (int i = 0; i < pages->TabBar()->count(); ++i)
            texts.push_back(pages->TabBar()->tabText(i).toStdString());
        return texts;
    }

    std::string ActiveCaption() const
    {
        return pages->GetActivePage() ? pages->GetActivePage()->GetText() : "(none)";
    }

    e3test::TestContainer root {nullptr};
    e3::Te3_PageControl* pages;
    e3::Te3_TabSheet* design;
    std::vector<std::string> calls;
};

// Each docked control gets a sheet of its own, named after the form's first
// caption line, shown and activated while the form is visible.
TEST_F(PageDockTest, ADockedFormGetsASheetOfItsOwn)
{
    DockForm* alpha = Dock("Alpha\nsecond line", true);
    ASSERT_EQ(pages->PageCount(), 2);
    e3::Te3TabSheet* sheet = pages->Page(1);
    EXPECT_EQ(alpha->Parent(), sheet);
    EXPECT_EQ(pages->DockClientOf(sheet), alpha);
    EXPECT_EQ(pages->DockClientOf(design), nullptr);
    EXPECT_EQ(pages->GetActivePage(), sheet);
    EXPECT_EQ(alpha->GetAlign(), fw::alClient);
    EXPECT_EQ(alpha->GetWidth(), sheet->GetWidth());
    EXPECT_EQ(alpha->GetHeight(), sheet->GetHeight());
    EXPECT_EQ(TabTexts(), (std::vector<std::string> {"Design", "Alpha"}));
    EXPECT_EQ(calls, (std::vector<std::string> {"dropped Alpha\nsecond line"}));

    // A hidden form's tab waits until it is shown; its page is not activated.
    DockForm* beta = Dock("Beta", false);
    EXPECT_EQ(pages->PageCount(), 3);
    EXPECT_EQ(TabTexts(), (std::vector<std::string> {"Design", "Alpha"}));
    EXPECT_EQ(pages->GetActivePage(), sheet);
    beta->SetVisible(true);
    EXPECT_EQ(TabTexts(), (std::vector<std::string> {"Design", "Alpha", "Beta"}));
    EXPECT_EQ(pages->GetActivePage(), sheet);

    // Hiding the shown form hides its tab; the tab at its place takes over.
    alpha->SetVisible(false);
    EXPECT_EQ(TabTexts(), (std::vector<std::string> {"Design", "Beta"}));
    EXPECT_EQ(ActiveCaption(), "Beta");
    alpha->SetVisible(true);

    // The tab follows the form's caption, up to the first line break.
    alpha->SetText("Renamed\r\nmore");
    EXPECT_EQ(TabTexts(), (std::vector<std::string> {"Design", "Renamed", "Beta"}));

    // Docked here again: its own page comes up, no second sheet.
    pages->DockDrop(*alpha, 0, 0, fw::alClient, nullptr);
    EXPECT_EQ(pages->PageCount(), 3);
    EXPECT_EQ(pages->GetActivePage(), sheet);
    EXPECT_EQ(alpha->Parent(), sheet);
}

// However a docked form leaves (undocked, floated, moved by its parent,
// freed), its sheet goes with it and the next page takes over.
TEST_F(PageDockTest, ALeavingFormTakesItsSheetAlong)
{
    struct Case {
        const char* name;
        std::function<void(PageDockTest&, DockForm&)> leave;
        bool floats;
    };
    const Case cases[] {
        {"undocked to the root", [](PageDockTest& t, DockForm& f) { EXPECT_TRUE(t.pages->DoUnDock(&t.root, f)); },
         false},
        {"moved by its parent", [](PageDockTest& t, DockForm& f) { f.SetParent(&t.root); }, false},
        {"floated", [](PageDockTest&, DockForm& f) { EXPECT_TRUE(fw::FloatControl(f, {10, 10, 210, 160})); }, true},
        {"double click on its tab",
         [](PageDockTest& t, DockForm&) {
             QTabBar* bar = t.pages->TabBar();
             QTest::mouseDClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
         },
         true},
        {"freed", [](PageDockTest&, DockForm& f) { delete &f; }, false},
    };
    root.Widget()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(root.Widget()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DockForm* gone = Dock("Gone", true);
        DockForm* next = Dock("Next", true);
        pages->SetActivePageIndex(1);
        fw::Guard<e3::Te3TabSheet> sheet(pages->Page(1));
        fw::Guard<DockForm> form(gone);
        c.leave(*this, *gone);
        EXPECT_FALSE(sheet) << "the sheet is freed";
        ASSERT_EQ(pages->PageCount(), 2);
        EXPECT_EQ(pages->GetActivePage(), pages->Page(1));
        EXPECT_EQ(pages->DockClientOf(pages->Page(1)), next);
        EXPECT_EQ(TabTexts(), (std::vector<std::string> {"Design", "Next"}));
        if (form) {
            EXPECT_EQ(form->Parent(), c.floats ? nullptr : &root);
            EXPECT_EQ(form->Widget()->isWindow(), c.floats);
            delete form.get();
        }
        delete next;
        fw::TComponent::DeleteReleased();
        ASSERT_EQ(pages->PageCount(), 1);
    }
}

// OnUnDock may keep the form; a double click on a sheet of the description
// floats nothing.
TEST_F(PageDockTest, RefusedUndockKeepsTheSheet)
{
    DockForm* kept = Dock("Kept", true);
    std::vector<fw::TObject*> asked;
    pages->OnUnDock = [&](fw::TObject* sender, fw::TObject* client, fw::TObject* target, bool& allow) {
        asked = {sender, client, target};
        allow = false;
    };
    EXPECT_FALSE(pages->DoUnDock(&root, *kept));
    EXPECT_EQ(asked, (std::vector<fw::TObject*> {pages, kept, &root}));
    EXPECT_FALSE(pages->FloatTab(1));
    EXPECT_EQ(kept->Parent(), pages->Page(1));
    EXPECT_EQ(pages->PageCount(), 2);
    EXPECT_FALSE(pages->FloatTab(0)) << "a sheet of the description has nothing to float";
    EXPECT_EQ(pages->PageCount(), 2);
}

// A docked form dragged by its tab docks into the dock site where it is let
// go, or floats there; its own page control is not offered to it again, nor a
// site whose OnDockOver refuses. Only tabs of the tab style can be dragged,
// and only once the mouse moved far enough.
TEST(PageDockDrag, ATabDraggedAwayDocksOrFloatsItsForm)
{
    struct Case {
        const char* name;
        e3::TTabStyle style;
        enum { overOther, overOwn, nowhere } where;
        int move;          // how far the mouse goes before the release
        bool otherRefuses; // the other site's OnDockOver says no
        const char* expect; // "other", "float", "stays" or "cancelled"
    };
    const Case cases[] {
        {"onto the other page control", e3::tsTabs, Case::overOther, 200, false, "other"},
        {"back onto its own page control", e3::tsTabs, Case::overOwn, 200, false, "float"},
        {"where there is no dock site", e3::tsTabs, Case::nowhere, 200, false, "float"},
        {"onto a site that refuses", e3::tsTabs, Case::overOther, 200, true, "float"},
        {"with the button style", e3::tsButtons, Case::overOther, 200, false, "stays"},
        {"too short a move", e3::tsTabs, Case::overOwn, 2, false, "stays"},
        {"Escape before the release", e3::tsTabs, Case::overOther, 200, false, "cancelled"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fw::TCustomForm window(nullptr);
        window.SetBounds(50, 50, 600, 300);
        e3::Te3_PageControl* sites[2];
        for (int i = 0; i < 2; ++i) {
            sites[i] = new e3::Te3_PageControl(&window);
            sites[i]->SetParent(&window);
            sites[i]->SetBounds(i * 300, 0, 300, 300);
            sites[i]->SetDockSite(true);
            auto* sheet = new e3::Te3_TabSheet(&window);
            sheet->SetText("Design");
            sheet->SetParent(sites[i]);
        }
        e3::Te3_PageControl& own = *sites[0];
        e3::Te3_PageControl& other = *sites[1];
        own.SetStyle(c.style);
        if (c.otherRefuses)
            other.OnDockOver = [](fw::TObject*, fw::TObject*, int32_t, int32_t, fw::TDragState, bool& accept) {
                accept = false;
            };
        DockForm form(nullptr, "Dragged");
        form.SetVisible(true);
        own.DockDrop(form, 0, 0, fw::alClient, nullptr);
        window.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.Widget()));
        ASSERT_EQ(own.PageCount(), 2);
        std::vector<std::string> calls;
        form.OnStartDock = [&](fw::TObject*, fw::TObject*&) { calls.push_back("start"); };
        form.OnEndDock = [&](fw::TObject*, fw::TObject* target, int32_t, int32_t) {
            calls.push_back(target == &other ? "end in other" : target ? "end somewhere" : "end floating");
        };

        QTabBar* bar = own.TabBar();
        const QPoint press = bar->tabRect(1).center();
        const QPoint pressGlobal = bar->mapToGlobal(press);
        const QPoint grab = pressGlobal - form.Widget()->mapToGlobal(QPoint(0, 0));
        QPoint release;
        switch (c.where) {
        case Case::overOther:
            release = other.Widget()->mapToGlobal(QPoint(150, 150));
            break;
        case Case::overOwn:
            release = c.move < 10 ? pressGlobal + QPoint(c.move, 0) : own.Widget()->mapToGlobal(QPoint(150, 150));
            break;
        case Case::nowhere:
            release = window.Widget()->mapToGlobal(QPoint(900, 900));
            break;
        }
        const auto send = [&](QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
            QMouseEvent event(type, bar->mapFromGlobal(global), global, Qt::LeftButton, buttons, Qt::NoModifier);
            QApplication::sendEvent(bar, &event);
        };
        send(QEvent::MouseButtonPress, pressGlobal, Qt::LeftButton);
        send(QEvent::MouseMove, pressGlobal + (release - pressGlobal) / 2, Qt::LeftButton);
        send(QEvent::MouseMove, release, Qt::LeftButton);
        const std::string expect = c.expect;
        if (expect == "cancelled")
            QTest::keyClick(bar, Qt::Key_Escape);
        send(QEvent::MouseButtonRelease, release, Qt::NoButton);
        fw::TComponent::DeleteReleased();

        if (expect == "stays" || expect == "cancelled") {
            const std::vector<std::string> heard =
                expect == "stays" ? std::vector<std::string> {} : std::vector<std::string> {"start", "end floating"};
            EXPECT_EQ(calls, heard);
            EXPECT_EQ(own.PageCount(), 2);
            EXPECT_EQ(own.DockClientOf(own.Page(1)), &form);
            continue;
        }
        EXPECT_EQ(own.PageCount(), 1) << "its sheet in the page control it left is gone";
        if (expect == "other") {
            EXPECT_EQ(calls, (std::vector<std::string> {"start", "end in other"}));
            ASSERT_EQ(other.PageCount(), 2);
            EXPECT_EQ(form.Parent(), other.Page(1));
            EXPECT_EQ(other.GetActivePage(), other.Page(1));
        } else {
            EXPECT_EQ(calls, (std::vector<std::string> {"start", "end floating"}));
            EXPECT_EQ(form.Parent(), nullptr);
            EXPECT_EQ(other.PageCount(), 1);
            EXPECT_EQ(QPoint(form.GetLeft(), form.GetTop()), release - grab);
        }
        // The form leaves before the window frees the page controls.
        form.SetParent(nullptr);
        fw::TComponent::DeleteReleased();
    }
}

} // namespace
