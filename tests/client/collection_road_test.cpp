// A collection panel read from a form description: its buttons take the
// collection's name and its records grid takes its pictures from the client.
#include "ClientFixture.h"

#include "client/EventList.h"
#include "client/FormReader.h"
#include "e3/collection/Collection.h"
#include "e3/grids/DLDrawGrid.h"

#include <QApplication>
#include <QTest>

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

TEST_F(CollectionRoadTest, InsertInsideACollectionPressesNewInsteadOfReachingTheGrid)
{
    root = LoadLines("desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormK | ] | "
                     "[ | 1 | Te3_Collection | Parent | FormK | NAME | Coll1 | ] | "
                     "} | x | { | } | x | { | }");
    auto* form = dynamic_cast<client::Te3_ClientForm*>(root.get());
    ASSERT_NE(form, nullptr);
    auto* coll = dynamic_cast<e3::Te3_Collection*>(root->FindComponent("Coll1"));
    ASSERT_NE(coll, nullptr);
    std::vector<std::string> pressed;
    coll->OnCollButtonClick = [&](fw::TObject*, const std::string& name, int32_t, int32_t) { pressed.push_back(name); };
    form->Widget()->show();
    QApplication::setActiveWindow(form->Widget());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
    coll->GetDrawGrid()->Widget()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() != nullptr; }, 10000));

    uint16_t key = 45;
    form->DoKeyDown(key, 0);
    EXPECT_EQ(key, 0);
    key = 65;
    form->DoKeyDown(key, 0);
    EXPECT_EQ(key, 65);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pressed.empty(); }, 10000));
    EXPECT_EQ(pressed, std::vector<std::string> {"New"});
}

} // namespace
