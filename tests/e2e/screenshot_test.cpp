// One form with a control of every family, drawn offscreen and kept as a PNG in
// the build folder: a control that draws nothing, or draws one flat colour,
// shows up here.
#include "client/ClassRegistry.h"
#include "client/ClientForm.h"
#include "e3/display/Image.h"
#include "e3/lists/ListBox.h"
#include "e3/menus/Menus.h"
#include "framework/Rtti.h"

#include <QApplication>
#include <QImage>
#include <QLinearGradient>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>

#include <gtest/gtest.h>

#include <set>

namespace {

struct Placed {
    const char* className;
    const char* name;
    QRect rect;
    // Published properties set after creation (name, text value).
    std::vector<std::pair<const char*, fw::PropValue>> props;
};

void Set(fw::TObject& o, const std::string& name, const fw::PropValue& value)
{
    const fw::TPropInfo* p = o.ClassType().FindProperty(name);
    ASSERT_NE(p, nullptr) << o.ClassName() << "." << name;
    p->set(o, value);
}

int ColourCount(const QImage& image, const QRect& rect)
{
    std::set<QRgb> colours;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

TEST(ScreenshotTest, EveryControlFamilyDrawsOnAForm)
{
    fw::Guard<client::Te3_ClientForm> form(new client::Te3_ClientForm(nullptr));
    form->SetName("Gallery");
    form->SetCaption("Gallery");
    form->SetClientWidth(640);
    form->SetClientHeight(420);

    auto* menu = new e3::Te3_MainMenu(form.get());
    for (const char* caption : {"File", "Edit", "Help"}) {
        auto* item = new e3::Te3MenuItem(form.get());
        item->SetCaption(caption);
        menu->Items()->Add(item);
    }

    using S = std::string;
    const std::vector<Placed> controls = {
        {"Te3_Edit", "Edit1", {10, 40, 150, 22}, {{"Text", S("an edit")}}},
        {"Te3_Label", "Label1", {170, 40, 120, 20}, {{"Caption", S("A label")}}},
        {"Te3_Bevel", "Bevel1", {300, 40, 100, 40}, {}},
        {"Te3_Image", "Image1", {410, 40, 60, 60}, {}},
        {"Te3_Gauge", "Gauge1", {480, 40, 150, 24}, {{"Progress", int64_t {40}}}},
        {"Te3_ProgressLabel", "Progress1", {10, 110, 150, 20}, {{"Caption", S("Working")}}},
        {"Te3_Panel", "Panel1", {170, 110, 150, 60}, {{"Caption", S("A panel")}}},
        {"Te3_ScrollBox", "Scroll1", {330, 110, 140, 60}, {}},
        {"Te3_GroupBox", "Group1", {480, 110, 150, 60}, {{"Caption", S("A group")}}},
        {"Te3_CheckBox", "Check1", {10, 190, 150, 22}, {{"Caption", S("A check box")}, {"Checked", int64_t {1}}}},
        {"Te3_RadioButton", "Radio1", {170, 190, 150, 22}, {{"Caption", S("A radio button")}, {"Checked", int64_t {1}}}},
        {"Te3_RadioGroup", "RadioGroup1", {330, 190, 140, 80}, {{"Caption", S("Choices")}, {"ItemsString", S("One\r\nTwo")}, {"ItemIndex", int64_t {1}}}},
        {"Te3_ListBox", "List1", {480, 190, 150, 80}, {{"ItemIndex", int64_t {0}}}},
        {"Te3_Memo", "Memo1", {10, 290, 200, 100}, {{"Text", S("A memo\r\nof two lines")}}},
        {"Te3_SpeedButton", "Speed1", {230, 290, 100, 30}, {{"Caption", S("Press")}}},
    };
    std::vector<fw::TControl*> made;
    for (const Placed& p : controls) {
        const fw::TClassInfo* info = client::FindClass(p.className);
        ASSERT_NE(info, nullptr) << p.className;
        ASSERT_NE(info->Factory(), nullptr) << p.className;
        auto* control = dynamic_cast<fw::TControl*>(info->Factory()(form.get()));
        ASSERT_NE(control, nullptr) << p.className;
        control->SetName(p.name);
        control->SetParent(form.get());
        control->SetBounds(p.rect.x(), p.rect.y(), p.rect.width(), p.rect.height());
        if (auto* list = dynamic_cast<e3::Te3_ListBox*>(control))
            list->SetItems({"first", "second"});
        for (const auto& [name, value] : p.props)
            Set(*control, name, value);
        made.push_back(control);
    }
    QImage picture(60, 60, QImage::Format_RGB32);
    {
        QPainter painter(&picture);
        QLinearGradient gradient(0, 0, 60, 60);
        gradient.setColorAt(0, Qt::blue);
        gradient.setColorAt(1, Qt::yellow);
        painter.fillRect(picture.rect(), gradient);
    }
    dynamic_cast<e3::Te3_Image*>(form->FindComponent("Image1"))->AssignPicture(picture);

    form->Show();
    QCoreApplication::processEvents();
    const QImage shot = form->Widget()->grab().toImage();
    const std::string path = std::string(E3_BUILD_DIR) + "/screenshot_controls.png";
    ASSERT_TRUE(shot.save(QString::fromStdString(path), "PNG")) << path;

    EXPECT_GT(ColourCount(shot, shot.rect()), 16);
    const QRect bar = menu->MenuBar()->geometry();
    EXPECT_GT(ColourCount(shot, bar.intersected(shot.rect())), 1) << "menu bar";
    for (size_t i = 0; i < controls.size(); ++i) {
        // Where the control is in the grabbed window (the menu bar may push the client area down).
        const QPoint origin = made[i]->Parent() && made[i]->Parent()->ClientWidget()
                                  ? made[i]->Parent()->ClientWidget()->mapTo(form->Widget(), QPoint(0, 0))
                                  : QPoint(0, 0);
        const QRect r = QRect(origin + controls[i].rect.topLeft(), controls[i].rect.size()).intersected(shot.rect());
        ASSERT_FALSE(r.isEmpty()) << controls[i].className;
        EXPECT_GT(ColourCount(shot, r), 1) << controls[i].className << " draws one flat colour";
    }
    delete form.get();
    fw::TComponent::DeleteReleased();
}

} // namespace
