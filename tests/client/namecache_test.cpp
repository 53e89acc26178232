#include "ClientFixture.h"

using namespace e3test;
using client::FindComponentByName;

namespace {

// A form of many edits, looked up name after name, as a reply to every control
// of a fresh form does: the lookups soon answer from one walk of the whole tree,
// which must give the same component as a search for that one name.
class NameCacheTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        form = new client::Te3_ClientForm(nullptr);
        form->SetName("FormMain");
        // Panel0 holds a frame whose control "Late" comes before the form's
        // own "Late" in depth-first order.
        auto* panel = new TTestEdit(form);
        panel->SetName("Panel0");
        panel->SetParent(form);
        frame = new client::Te3_ClientFrame(nullptr);
        frame->SetName("Frame2");
        frame->SetParent(panel);
        foreign = new TTestEdit(frame);
        foreign->SetName("Late");
        for (int i = 0; i < 300; ++i) {
            auto* e = new TTestEdit(form);
            e->SetName("Edit" + std::to_string(i));
            e->SetParent(form);
            edits.push_back(e);
        }
        late = new TTestEdit(form);
        late->SetName("Late");
        theClient->AddForm("FormMain", form);
        theClient->SetCurrentForm(form);
    }
    void TearDown() override
    {
        delete frame;
        delete form;
        ClientFixture::TearDown();
    }
    void LookUpEveryEdit()
    {
        for (size_t i = 0; i < edits.size(); ++i)
            ASSERT_EQ(FindComponentByName(form, "EDIT" + std::to_string(i), false), edits[i]) << i;
    }

    client::Te3_ClientForm* form = nullptr;
    client::Te3_ClientFrame* frame = nullptr;
    TTestEdit* foreign = nullptr;
    TTestEdit* late = nullptr;
    std::vector<TTestEdit*> edits;
};

} // namespace

TEST_F(NameCacheTest, ManyLookupsKeepTheDepthFirstAnswer)
{
    for (int round = 0; round < 3; ++round) {
        LookUpEveryEdit();
        EXPECT_EQ(FindComponentByName(form, "late", false), foreign);
        EXPECT_EQ(FindComponentByName(form, "Absent", false), nullptr);
    }
    EXPECT_TRUE(ClientErrors().empty());
}

TEST_F(NameCacheTest, ChangesAfterTheWalkAreSeen)
{
    LookUpEveryEdit();
    LookUpEveryEdit();
    // Renamed, added, freed, moved out of the tree: each answer follows.
    edits[150]->SetName("Moved");
    EXPECT_EQ(FindComponentByName(form, "Edit150", false), nullptr);
    EXPECT_EQ(FindComponentByName(form, "Moved", false), edits[150]);
    auto* added = new TTestEdit(form);
    added->SetName("Absent");
    EXPECT_EQ(FindComponentByName(form, "Absent", false), added);
    delete added;
    EXPECT_EQ(FindComponentByName(form, "Absent", false), nullptr);
    delete edits[299];
    edits.pop_back();
    EXPECT_EQ(FindComponentByName(form, "Edit299", false), nullptr);
    frame->SetParent(nullptr);
    EXPECT_EQ(FindComponentByName(form, "Late", false), late);
    edits[150]->SetName("Edit150");
    EXPECT_EQ(FindComponentByName(form, "Moved", false), nullptr);
    LookUpEveryEdit();
}
