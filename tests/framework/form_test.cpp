#include "framework/Form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>
#include <gtest/gtest.h>

using namespace fw;

namespace {

// Runs fn from the event loop once the modal loop is running.
void Later(int ms, std::function<void()> fn)
{
    QTimer::singleShot(ms, qApp, std::move(fn));
}

} // namespace

TEST(Form, ModalResultEndsTheLoopAndTheFormHides)
{
    TCustomForm form(nullptr);
    Later(10, [&] { form.SetModalResult(mrOk); });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_FALSE(form.GetVisible());
    EXPECT_FALSE(form.IsModal());
}

TEST(Form, CloseQueryAndCloseActionCanKeepAModalFormOpen)
{
    TCustomForm form(nullptr);
    int queries = 0, closes = 0;
    std::vector<TModalResult> attempts {mrOk, mrOk, mrYes};
    size_t next = 0;
    // Each refusal schedules the next attempt, so that they come one by one.
    auto attempt = [&] { Later(5, [&] { EXPECT_TRUE(form.IsModal()); form.SetModalResult(attempts.at(next++)); }); };
    form.OnCloseQuery = [&](TObject*, bool& canClose) {
        canClose = ++queries > 1;
        if (!canClose)
            attempt();
    };
    form.OnClose = [&](TObject*, TCloseAction& action) {
        action = ++closes > 1 ? caHide : caNone;
        if (action == caNone)
            attempt();
    };
    attempt();
    EXPECT_EQ(form.ShowModal(), mrYes);
    EXPECT_EQ(queries, 3);
    EXPECT_EQ(closes, 2);
}

TEST(Form, WindowCloseAsksOnceAndCancels)
{
    TCustomForm form(nullptr);
    int closes = 0;
    form.OnClose = [&](TObject*, TCloseAction&) { ++closes; };
    Later(10, [&] {
        QCloseEvent event;
        QApplication::sendEvent(form.Widget(), &event);
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(closes, 1);
}

TEST(Form, ModalBlocksOnlyTheWindowsThatExistWhenItOpens)
{
    TCustomForm main(nullptr);
    main.Show();
    TCustomForm dialog(nullptr);
    TCustomForm* progress = nullptr;
    Later(10, [&] {
        EXPECT_FALSE(main.Widget()->isEnabled());
        progress = new TCustomForm(nullptr);
        progress->Show();
    });
    Later(30, [&] {
        EXPECT_TRUE(progress->Widget()->isEnabled());
        dialog.SetModalResult(mrOk);
    });
    dialog.ShowModal();
    EXPECT_TRUE(main.Widget()->isEnabled());
    EXPECT_TRUE(main.GetEnabled());
    delete progress;
}

TEST(Form, FreedWhileModalEndsTheLoopWithCancel)
{
    auto* form = new TCustomForm(nullptr);
    Guard<TCustomForm> guard(form);
    Later(10, [&] { form->Release(); });
    EXPECT_EQ(form->ShowModal(), mrCancel);
    EXPECT_FALSE(guard);
    TComponent::DeleteReleased();
}

TEST(Form, OuterSizeIncludesTheFrame)
{
    TCustomForm form(nullptr);
    form.SetClientWidth(200);
    form.SetClientHeight(100);
    EXPECT_EQ(form.GetWidth(), 208);
    EXPECT_EQ(form.GetHeight(), 127);
    form.SetBorderStyle(bsDialog);
    EXPECT_EQ(form.ClientWidth(), 200);
    EXPECT_EQ(form.ClientHeight(), 100);
    form.SetCaption("Orders");
    EXPECT_EQ(form.Widget()->windowTitle(), "Orders");
}
