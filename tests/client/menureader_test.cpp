#include "ClientFixture.h"
#include "client/FormReader.h"
#include "e3/menus/Menus.h"
#include "e3/buttons/SpeedButton.h"
#include "u3/Base64.h"

#include <QBuffer>

using namespace e3test;

namespace {

std::string PngBase64(QColor colour)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return u3::StringToBase64(bytes.toStdString());
}

// The engine answers GetFile(name, "Image") with a small PNG of that colour.
void ServeImage(ScriptedEngine& engine, const std::string& name, QColor colour)
{
    engine.ServeFile("Image", name, PngBase64(colour));
}

class MenuReaderTest : public ClientFixture {};

TEST_F(MenuReaderTest, DescriptionBuildsMenusUnderTheirNamedParentsAndBindsClicks)
{
    ServeImage(*engine, "Open", Qt::green);
    fw::TComponent* root = LoadLines(
        "x | [ | x | Te3_ClientForm | Parent | NIL | NAME | FormMain | ] | "
        "[ | x | Te3_MainMenu | Parent | FormMain | NAME | MainMenu1 | ] | "
        "[ | x | TMenuItem | Parent | MainMenu1 | NAME | mnFile | CAPTION | &File | ] | "
        "[ | x | TMenuItem | Parent | mnFile | NAME | mnOpen | CAPTION | &Open | SHORTCUT | 16463 | ] | "
        "[ | x | Te3_PopupMenu | NAME | Popup1 | ] | "
        "[ | x | TMenuItem | Parent | Popup1 | NAME | mnCopy | CAPTION | Copy | ] | "
        "[ | x | Te3_SpeedButton | Parent | FormMain | NAME | Button1 | GLYPH | Open | DROPDOWNMENU | Popup1 | ] | "
        "} | x | { | mnOpen.OnClick | Main.Open | x | } | x | { | }");
    auto* form = dynamic_cast<client::Te3_ClientForm*>(root);
    ASSERT_NE(form, nullptr);
    auto* menu = dynamic_cast<e3::Te3_MainMenu*>(form->FindComponent("MainMenu1"));
    auto* file = dynamic_cast<e3::Te3MenuItem*>(form->FindComponent("mnFile"));
    auto* open = dynamic_cast<e3::Te3MenuItem*>(form->FindComponent("mnOpen"));
    auto* popup = dynamic_cast<e3::Te3_PopupMenu*>(form->FindComponent("Popup1"));
    auto* button = dynamic_cast<e3::Te3_SpeedButton*>(form->FindComponent("Button1"));
    ASSERT_TRUE(menu && file && open && popup && button);
    EXPECT_EQ(file->GetParent(), menu->Items());
    EXPECT_EQ(open->GetParent(), file);
    EXPECT_EQ(popup->Items()->Items(0)->GetName(), "mnCopy");
    EXPECT_EQ(open->Action()->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(menu->MenuBar()->parentWidget(), form->Widget());
    EXPECT_EQ(button->GetDropDownMenu(), popup);
    ASSERT_FALSE(button->GetGlyph()->Empty());
    EXPECT_EQ(button->GetGlyph()->Image().pixelColor(1, 1), QColor(Qt::green));

    open->Action()->trigger();
    const auto calls = engine->CallsOf("ExecuteEvent");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args.at(1), "mnOpen");
    EXPECT_EQ(calls[0].args.at(3), "Main.Open") << "through the form's event map";
    delete form;
}

TEST_F(MenuReaderTest, CreatedMenuItemJoinsItsParentAndPicturesComeFromTheClient)
{
    ServeImage(*engine, "Star", Qt::blue);
    auto* form = new client::Te3_ClientForm(nullptr);
    form->SetName("FormMain");
    theClient->SetCurrentForm(form);
    auto* popup = theClient->CreateEngineComponent("Te3_PopupMenu", "FormMain", "Popup1");
    auto* item = theClient->CreateEngineComponent("tmenuitem", "Popup1", "mnOne");
    auto* sub = theClient->CreateEngineComponent("TMenuItem", "mnOne", "mnSub");
    auto* typed = dynamic_cast<e3::Te3_PopupMenu*>(popup);
    ASSERT_NE(typed, nullptr);
    ASSERT_EQ(typed->Items()->GetCount(), 1);
    EXPECT_EQ(typed->Items()->Items(0), item);
    EXPECT_EQ(dynamic_cast<e3::Te3MenuItem*>(sub)->GetParent(), item);

    auto* mainMenu = dynamic_cast<e3::Te3_MainMenu*>(theClient->CreateEngineComponent("Te3MainMenu", "FormMain", "Main1"));
    ASSERT_NE(mainMenu, nullptr);
    auto* deep = theClient->CreateEngineComponent("TMenuItem", "Main1", "mnDeep");
    client::SetPropertyByPath(mainMenu, "_ItemImage", mainMenu->ClassName(), "MNDEEP<|>Star");
    EXPECT_EQ(dynamic_cast<e3::Te3MenuItem*>(deep)->GetBitmap()->Image().pixelColor(0, 0), QColor(Qt::blue));
    delete form;
}

TEST_F(MenuReaderTest, GlyphOfAControlWithoutOneIsAnOrdinaryStep)
{
    auto* form = new client::Te3_ClientForm(nullptr);
    form->SetName("FormMain");
    theClient->SetCurrentForm(form);
    auto* edit = new TTestEdit(form);
    edit->SetName("Edit1");
    EXPECT_NO_THROW(client::SetPropertyByPath(edit, "GLYPH", edit->ClassName(), "Open"));
    EXPECT_TRUE(engine->CallsOf("GetFile").empty());
    delete form;
}

} // namespace
