// A collection panel read from a form description: the buttons the
// description names replace the standard ones, sit in the bar under the
// collection's names, and the records grid takes its pictures from the client.
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

TEST_F(CollectionRoadTest, DescribedButtonsFillTheBar)
{
    root = LoadLines("desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormC | ] | "
                     "[ | 1 | Te3_Collection | Parent | FormC | NAME | Coll1 | STYLE | 1 | ] | "
                     "[ | 2 | Te3_CollSpeedButton | Parent | Coll1 | FUNCTIONNAME | Add | GLYPHNAME | NEW | ] | "
                     "[ | 3 | Te3_CollSpeedButton | Parent | Coll1 | FUNCTIONNAME | Remove | ] | "
                     "} | x | { | } | x | { | }");
    ASSERT_NE(root.get(), nullptr);
    auto* coll = dynamic_cast<e3::Te3_Collection*>(root->FindComponent("Coll1"));
    ASSERT_NE(coll, nullptr);
    ASSERT_EQ(coll->ButtonCount(), 2);
    EXPECT_EQ(coll->Button(0)->GetFunctionName(), "Add");
    EXPECT_EQ(coll->Button(1)->GetFunctionName(), "Remove");
    EXPECT_EQ(root->FindComponent("Coll1Add"), coll->Button(0));
    EXPECT_EQ(root->FindComponent("Coll1Remove"), coll->Button(1));
    EXPECT_EQ(root->FindComponent("Coll1New"), nullptr);
    EXPECT_EQ(coll->Button(0)->Parent(), coll->ButtonBar());
    EXPECT_EQ(coll->GetDrawGrid()->GetFixedRows(), 1);
    EXPECT_TRUE(coll->GetDrawGrid()->OnGetImage) << "the picture handler of the client";
}

} // namespace
