#include "../TestContainer.h"
#include "e3/bars/NavigationBar.h"
#include "e3/common/EngineImages.h"
#include "u3/Exceptions.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e3::Te3_NavigationBar;
using e3test::OrdinalByName;
using e3test::WriteByName;

bool Bold(e3::Te3ColorSpeedButton* button)
{
    return (button->GetFont()->GetStyle() & (1u << fw::fsBold)) != 0;
}

class NavigationBarTest : public testing::Test {
protected:
    void SetUp() override
    {
        e3::SetEngineImageSource([](const std::string& name) {
            QImage image(name == "big" ? 40 : 18, name == "big" ? 40 : 18, QImage::Format_RGB32);
            image.fill(Qt::blue);
            return name.empty() ? QImage() : image;
        });
        bar.SetBounds(0, 0, 300, 400);
        bar.OnClickLookBar = [this](fw::TObject* sender, int32_t button, int32_t expButton) {
            EXPECT_EQ(sender, &bar);
            clicks.push_back(std::to_string(button) + "/" + std::to_string(expButton));
        };
    }
    void TearDown() override { e3::SetEngineImageSource(nullptr); }

    void Groups(e3::TLookBarStyle style, int count)
    {
        WriteByName(bar, "Style", int64_t {style});
        for (int i = 0; i < count; ++i)
            WriteByName(bar, "_AddButton", "Group " + std::to_string(i) + "<|>2");
    }

    void Icons(int group, int count)
    {
        for (int i = 0; i < count; ++i)
            WriteByName(bar, "_AddHExplorerButton",
                        std::to_string(group) + "<|>Icon " + std::to_string(i) + "<|>big<|>small");
    }

    e3::TOutLookItem& Group(int index) { return *bar.GetItem(index); }

    Te3_NavigationBar bar {nullptr};
    std::vector<std::string> clicks;
};

TEST_F(NavigationBarTest, TheFirstGroupIsOpenWithoutAnEvent)
{
    const struct {
        e3::TLookBarStyle style;
        bool down;
    } cases[] = {{e3::lbsNavigator, true}, {e3::lbsButtonsPane, true}, {e3::lbsOutlookPane, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        WriteByName(bar, "_ClearButtons", int64_t {1});
        Groups(c.style, 2);
        EXPECT_EQ(Group(0).GetMainButton()->GetDown(), c.down);
        EXPECT_EQ(Bold(Group(0).GetMainButton()), c.down);
        EXPECT_FALSE(Group(1).GetMainButton()->GetDown());
        // The style stays while groups exist.
        WriteByName(bar, "Style", int64_t {(c.style + 1) % 3});
        EXPECT_EQ(OrdinalByName(bar, "Style"), c.style);
    }
    EXPECT_TRUE(clicks.empty());
}

TEST_F(NavigationBarTest, OpeningAGroupScrollsToItsBandAndReportsIt)
{
    Groups(e3::lbsButtonsPane, 3);
    Icons(1, 2);
    WriteByName(bar, "_ClickLookBar", std::string("1"));
    EXPECT_EQ(bar.ScrollOffset(), -2000);
    EXPECT_EQ(Group(1).Button(0)->GetTop(), 1);
    EXPECT_TRUE(Bold(Group(1).GetMainButton()));
    EXPECT_FALSE(Bold(Group(0).GetMainButton()));
    EXPECT_TRUE(Group(1).GetMainButton()->GetDown());
    WriteByName(bar, "_ButtonClickN", int64_t {2});
    EXPECT_EQ(bar.ActiveGroup(), 2);
    EXPECT_EQ(clicks, (std::vector<std::string> {"1/-1", "2/-1"}));

    EXPECT_THROW(WriteByName(bar, "_ClickLookBar", std::string("3")), u3::EListError);
    EXPECT_THROW(WriteByName(bar, "_ButtonClickN", int64_t {-1}), u3::EListError);
    EXPECT_THROW(WriteByName(bar, "_ClickLookBar", std::string("one")), u3::EConvertError);
    EXPECT_THROW(WriteByName(bar, "_AddButton", std::string("No gap")), u3::EConvertError);
    EXPECT_THROW(WriteByName(bar, "_AddHExplorerButton", std::string("5<|>x<|>big<|>small")), u3::EListError);
    EXPECT_EQ(bar.GroupCount(), 3);
    EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(NavigationBarTest, IconButtonsAndTheirCaptionsReportTheOpenGroupsButton)
{
    Groups(e3::lbsOutlookPane, 2);
    Icons(0, 3);
    Icons(1, 1);
    bar.Widget()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(bar.Widget()));
    QTest::mouseClick(Group(0).Button(2)->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QTest::mouseClick(Group(0).CaptionOf(1), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    // A button of a group that is not open reports nothing.
    e3::Te3ColorSpeedButton* other = Group(1).Button(0);
    other->OnMouseUp(other, fw::mbLeft, 0, 1, 1);
    EXPECT_EQ(clicks, (std::vector<std::string> {"0/2", "0/1"}));
    // The icons are centred and their captions follow the font.
    EXPECT_EQ(Group(0).Button(1)->GetLeft(), (bar.ScrollArea()->GetWidth() - 40) / 2);
    EXPECT_EQ(bar.ItemPitch(), bar.TextOffset() + 41);
    EXPECT_TRUE(bar.EngineFed());
}

TEST_F(NavigationBarTest, DeletedAndClearedGroupsTakeTheirIconsWithThem)
{
    Groups(e3::lbsButtonsPane, 3);
    Icons(0, 2);
    Icons(1, 2);
    Icons(2, 1);
    const size_t before = bar.ScrollArea()->ChildControls().size();
    fw::Guard<e3::Te3ColorSpeedButton> gone(Group(1).Button(0));
    fw::Guard<e3::Te3ColorSpeedButton> header(Group(1).GetMainButton());
    WriteByName(bar, "_DeleteButton", std::string("1"));
    fw::TComponent::DeleteReleased();
    EXPECT_FALSE(gone);
    EXPECT_FALSE(header);
    EXPECT_EQ(bar.ScrollArea()->ChildControls().size(), before - 2);
    EXPECT_EQ(bar.GroupCount(), 2);
    // Group 0 is opened and reported.
    EXPECT_EQ(clicks, (std::vector<std::string> {"0/-1"}));

    WriteByName(bar, "_DeleteButton", std::string("7")); // no such group
    EXPECT_EQ(bar.GroupCount(), 2);

    WriteByName(bar, "_ClearButtons", int64_t {0});
    fw::TComponent::DeleteReleased();
    EXPECT_EQ(bar.GroupCount(), 0);
    EXPECT_EQ(bar.CurrentHeader(), nullptr);
    EXPECT_EQ(bar.ScrollArea()->ChildControls().size(), 2u); // the arrows stay
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(NavigationBarTest, TheArrowsScrollByOneItem)
{
    for (bool small : {false, true}) {
        SCOPED_TRACE(small);
        WriteByName(bar, "_ClearButtons", int64_t {0});
        WriteByName(bar, "SmallIcons", int64_t {small});
        Groups(e3::lbsButtonsPane, 1);
        Icons(0, 40);
        WriteByName(bar, "_ClickLookBar", std::string("0"));
        EXPECT_EQ(bar.ItemPitch(), bar.TextOffset() + (small ? 18 : 41));
        EXPECT_FALSE(bar.UpButton()->GetVisible());
        EXPECT_TRUE(bar.DownButton()->GetVisible());
        const int32_t top = Group(0).Button(3)->GetTop();
        bar.DownButton()->Click();
        EXPECT_EQ(Group(0).Button(3)->GetTop(), top - bar.ItemPitch());
        EXPECT_EQ(Group(0).FirstVisible(), 1);
        EXPECT_TRUE(bar.UpButton()->GetVisible());
        bar.UpButton()->Click();
        EXPECT_EQ(Group(0).Button(3)->GetTop(), top);
        EXPECT_FALSE(bar.UpButton()->GetVisible());
        EXPECT_EQ(Group(0).Button(0)->GetWidth(), small ? 18 : 40);
    }
}

TEST_F(NavigationBarTest, HeadersAreLaidOutByStyle)
{
    // Buttons pane: every header stacked with its gap below it.
    Groups(e3::lbsButtonsPane, 3);
    std::vector<int32_t> tops;
    for (int i = 0; i < 3; ++i)
        tops.push_back(Group(i).GetMainButton()->GetTop());
    EXPECT_EQ(tops, (std::vector<int32_t> {1, 21, 41}));
    EXPECT_EQ(bar.ScrollArea()->GetTop(), 61);
    EXPECT_EQ(Group(0).GetMainButton()->GetWidth(), 298);

    // Outlook pane: the open group's header and those before it at the top,
    // the others at the bottom.
    WriteByName(bar, "_ClearButtons", int64_t {0});
    Groups(e3::lbsOutlookPane, 3);
    WriteByName(bar, "_ClickLookBar", std::string("1"));
    tops.clear();
    for (int i = 0; i < 3; ++i)
        tops.push_back(Group(i).GetMainButton()->GetTop());
    EXPECT_EQ(tops, (std::vector<int32_t> {0, 18, 400 - 18}));
    EXPECT_EQ(bar.ScrollArea()->GetTop(), 36);
}

TEST_F(NavigationBarTest, NavigatorHeadersShareTheWidth)
{
    bar.SetBounds(0, 0, 300, 24);
    WriteByName(bar, "AutoWidthStyle", int64_t {e3::awsEqual});
    Groups(e3::lbsNavigator, 3);
    // 100 + 2 each before normalising; the last one takes what is left.
    std::vector<std::pair<int32_t, int32_t>> headers;
    for (int i = 0; i < 3; ++i)
        headers.emplace_back(Group(i).GetMainButton()->GetLeft(), Group(i).GetMainButton()->GetWidth());
    EXPECT_EQ(headers, (std::vector<std::pair<int32_t, int32_t>> {{-1, 100}, {99, 100}, {199, 103}}));
    EXPECT_EQ(Group(0).Separator()->GetLeft(), 98);
    EXPECT_EQ(Group(2).WidthShare(), 327);
    EXPECT_EQ(bar.HeaderPitch(), 22);

    // A wider bar keeps the shares.
    bar.SetBounds(0, 0, 600, 24);
    headers.clear();
    for (int i = 0; i < 3; ++i)
        headers.emplace_back(Group(i).GetMainButton()->GetLeft(), Group(i).GetMainButton()->GetWidth());
    EXPECT_EQ(headers, (std::vector<std::pair<int32_t, int32_t>> {{-1, 200}, {199, 200}, {399, 203}}));
}

TEST_F(NavigationBarTest, DisablingGreysTheHeaderCaptions)
{
    e3test::TestContainer panel(nullptr);
    bar.SetParent(&panel);
    Groups(e3::lbsButtonsPane, 2);
    bar.SetEnabled(false);
    EXPECT_EQ(Group(1).GetMainButton()->GetFont()->GetColor(), fw::clGrayText);
    bar.SetEnabled(true);
    EXPECT_EQ(Group(1).GetMainButton()->GetFont()->GetColor(), fw::clWindowText);
    WriteByName(bar, "SelectedColor", int64_t {0x0000FF});
    EXPECT_EQ(Group(0).GetMainButton()->GetPressedColor(), 0x0000FF);
    WriteByName(bar, "HeightButtons", int64_t {0});
    EXPECT_EQ(bar.GetHeightButtons(), 18);
    WriteByName(bar, "HeightButtons", int64_t {25});
    EXPECT_EQ(Group(1).GetMainButton()->GetHeight(), 25);
    bar.SetParent(nullptr);
}

} // namespace
