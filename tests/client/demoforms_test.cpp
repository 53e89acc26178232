// The sample engine's demo forms, built by the client from the files the engine
// serves and drawn offscreen: every control of the demo exists, and the picture
// is kept in the build folder for review.
#include "ClientFixture.h"

#include "client/Client.h"
#include "client/ClientForm.h"
#include "client/FormReader.h"
#include "e3/bars/NavigationBar.h"
#include "e3/trees/TreeView.h"
#include "framework/Rtti.h"
#include "u3/Base64.h"
#include "u3/StrLib.h"

#include <QImage>
#include <QPixmap>
#include <QTreeWidget>
#include <QWidget>

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace e3test {
namespace {

const std::string kDemoForms = E3_SOURCE_DIR "/tools/sample-engine/demo/forms";

class DemoFormsTest : public ClientFixture {};

TEST_F(DemoFormsTest, EveryDemoFormBuildsAndDraws)
{
    for (const char* name : {"FormApplicant", "FormSummary", "FormApplication", "FormApplications"})
        engine->ServeFile("Form", name, ReadWholeFile(kDemoForms + "/" + name + ".txt"));
    engine->ServeFile("Image", "logo", u3::FileToBase64(kDemoForms + "/logo.png"));

    for (const char* name : {"FormApplicant", "FormSummary", "FormApplication", "FormApplications"}) {
        SCOPED_TRACE(name);
        client::Te3_ClientForm* form = theClient->CreateEngineForm(name, "");
        ASSERT_NE(form, nullptr);
        EXPECT_TRUE(ClientErrors().empty()) << ::testing::PrintToString(ClientErrors());
        if (std::string(name) == "FormApplicant") {
            // The navigation bar and the tree that the engine fills once the form is made.
            auto* bar = form->FindComponent("nbMain");
            auto* tree = form->FindComponent("tvFiling");
            ASSERT_NE(bar, nullptr);
            ASSERT_NE(tree, nullptr);
            EXPECT_EQ(bar->ClassName(), "Te3_NavigationBar");
            EXPECT_EQ(tree->ClassName(), "Te3_TreeView");
            // The scenario's opening reply fills them.
            std::istringstream scenario(ReadWholeFile(E3_SOURCE_DIR "/tools/sample-engine/demo/scenario.txt"));
            std::string line;
            int applied = 0;
            while (std::getline(scenario, line)) {
                const size_t eq = line.find(" = ");
                const size_t dot = line.find('.');
                if (eq == std::string::npos || dot == std::string::npos || dot > eq)
                    continue;
                const std::string target = u3::Trim(line.substr(0, dot));
                fw::TComponent* c = target == "nbMain" ? bar : target == "tvFiling" ? tree : nullptr;
                if (!c)
                    continue;
                client::SetPropertyByPath(c, line.substr(dot + 1, eq - dot - 1), c->ClassName(), line.substr(eq + 3));
                ++applied;
            }
            EXPECT_GT(applied, 10);
            EXPECT_EQ(dynamic_cast<e3::Te3_NavigationBar*>(bar)->GroupCount(), 2);
            EXPECT_EQ(dynamic_cast<e3::Te3_TreeView*>(tree)->Tree()->topLevelItemCount(), 2);
            EXPECT_TRUE(ClientErrors().empty()) << ::testing::PrintToString(ClientErrors());
        }
        QWidget* window = form->Widget();
        ASSERT_NE(window, nullptr);
        window->show();
        const QImage image = window->grab().toImage();
        ASSERT_FALSE(image.isNull());
        std::set<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3)
                colours.insert(image.pixel(x, y));
        EXPECT_GT(colours.size(), 8u) << "the form draws almost nothing";
        if (std::string(name) == "FormApplication") {
            // The registration numbers and dates start empty in their own shapes.
            const auto shown = [&](const char* control) {
                auto* c = dynamic_cast<fw::TControl*>(form->FindComponent(control));
                return c ? c->GetText() : std::string("(missing)");
            };
            EXPECT_EQ(shown("edtPriorityNo"), "0.0");
            EXPECT_EQ(shown("edtApplicantId"), "0-T");
            EXPECT_EQ(shown("dtPriority"), "TT.MM.JJJJ");
            EXPECT_EQ(shown("dtFiling"), "dd.mm.aaaa");
            EXPECT_EQ(shown("dtDeadline"), "YYYY-MM-DD");
            // The details pages with the splitter on the notes page.
            for (const char* control : {"pcDetails", "tsPriority", "tsNotes", "spNotes", "memDescription", "memClaims"})
                EXPECT_NE(dynamic_cast<fw::TControl*>(form->FindComponent(control)), nullptr) << control;
            // The drawings' open dialog, run by a button.
            fw::TComponent* dialog = form->FindComponent("odDrawings");
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->ClassName(), "Te3_OpenDialog");
            EXPECT_EQ(client::GetPropertyText("", "Filter", dialog), "Drawings (*.pdf;*.tif)|*.pdf;*.tif|All files|*.*");
            EXPECT_EQ(form->EventMap.Value("FormApplication.btnAttach.OnClick"), "Main.Attach");
        }
        if (std::string(name) == "FormApplications") {
            // The list of applications: a data-list grid with its four titled columns.
            auto* grid = form->FindComponent("grdApps");
            ASSERT_NE(grid, nullptr);
            EXPECT_EQ(client::GetPropertyText("", "ColCount", grid), "4");
            EXPECT_EQ(client::GetPropertyText("", "Columns[1].Title.Caption", grid), "Applicant");
            EXPECT_EQ(client::GetPropertyText("", "TitleVisible", grid), "true");
        }
        image.save(QString::fromStdString(std::string(E3_BUILD_DIR) + "/demo-" + name + ".png"));
        window->hide();
    }
}

} // namespace
} // namespace e3test
