// A collection panel read from a form description: its buttons take the
// collection's name and its records grid takes its pictures from the client.
#include "ClientFixture.h"

#include "client/EventList.h"
#include "client/FormReader.h"
#include "e3/collection/Collection.h"
#include "e3/grids/DLDrawGrid.h"

using namespace e3test;

namespace {

class CollectionRoadTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        list = std::make_unique<client::TEventList>(nullptr);
        client::SetEventListObject(list.get());
    }
    void TearDown() override
    {
        delete root.get();
        client::SetEventListObject(nullptr);
        ClientFixture::TearDown();
        list.reset();
    }

    std::unique_ptr<client::TEventList> list;
    fw::Guard<fw::TComponent> root;
};

TEST_F(CollectionRoadTest, ADescribedCollectionKeepsItsButtonsAndGetsPictures)
{
    root = LoadLines("desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormC | ] | "
                     "[ | 1 | Te3_Collection | Parent | FormC | NAME | Coll1 | STYLE | 1 | GRIDWIDTH | 200 | ] | "
                     "} | x | { | } | x | { | }");
    ASSERT_NE(root.get(), nullptr);
    auto* coll = dynamic_cast<e3::Te3_Collection*>(root->FindComponent("Coll1"));
    ASSERT_NE(coll, nullptr);
    ASSERT_EQ(coll->ButtonCount(), 2);
    EXPECT_EQ(root->FindComponent("Coll1New"), coll->Button(0));
    EXPECT_EQ(root->FindComponent("Coll1Delete"), coll->Button(1));
    EXPECT_EQ(coll->GetGridWidth(), 200);
    EXPECT_EQ(coll->GetDrawGrid()->GetFixedRows(), 1);
    EXPECT_TRUE(coll->GetDrawGrid()->OnGetImage) << "the picture handler of the client";
}

} // namespace
