// A form's main menu bar sits above the client area, as a window menu does:
// the client height leaves it out and the aligned children start below it.
#include "client/ClientForm.h"
#include "e3/menus/Menus.h"
#include "e3/containers/Panel.h"

#include <QWidget>

#include <memory>

#include <gtest/gtest.h>

namespace {

TEST(MenuBarLayoutTest, TheBarTakesItsLineAboveTheClientArea)
{
    // Made without an owner: the test frees it, and its controls with it.
    const auto form = std::make_unique<client::Te3_ClientForm>(nullptr);
    form->SetBounds(0, 0, 400, 300);
    auto* top = new e3::Te3_Panel(form.get());
    top->SetParent(form.get());
    top->SetAlign(fw::alTop);
    top->SetHeight(40);
    auto* bottom = new e3::Te3_Panel(form.get());
    bottom->SetParent(form.get());
    bottom->SetAlign(fw::alBottom);
    bottom->SetHeight(30);
    const int32_t clientBefore = form->ClientHeight();

    auto* menu = new e3::Te3_MainMenu(form.get());
    auto* item = new e3::Te3MenuItem(form.get());
    item->SetCaption("File");
    menu->Items()->Add(item);

    const int bar = clientBefore - form->ClientHeight();
    ASSERT_GT(bar, 10) << "the bar takes a line of the window";
    EXPECT_EQ(form->GetHeight(), 300) << "the outer size stays";
    // The children moved below the bar, with their places in the client area.
    const QPoint topAt = top->Widget()->mapTo(form->Widget(), QPoint(0, 0));
    EXPECT_EQ(topAt.y(), bar);
    EXPECT_EQ(top->GetTop(), 0);
    EXPECT_EQ(bottom->GetTop(), form->ClientHeight() - 30) << "bottom-aligned controls follow the smaller client area";
    const QPoint bottomAt = bottom->Widget()->mapTo(form->Widget(), QPoint(0, 0));
    EXPECT_EQ(bottomAt.y() + 30, form->Widget()->height());

    // Setting the client height counts the bar in.
    form->SetClientHeight(200);
    EXPECT_EQ(form->ClientHeight(), 200);
    EXPECT_EQ(bottom->GetTop(), 170);

    // A control made after the menu goes into the client area too.
    auto* later = new e3::Te3_Panel(form.get());
    later->SetParent(form.get());
    later->SetBounds(10, 5, 50, 20);
    EXPECT_EQ(later->Widget()->mapTo(form->Widget(), QPoint(0, 0)), QPoint(10, 5 + bar));
}

} // namespace
