#include "../TestContainer.h"
#include "e3/common/EngineImages.h"
#include "e3/trees/TreeView.h"
#include "u3/Exceptions.h"
#include "u3/StrLib.h"

#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e3::Te3_TreeView;
using e3test::TextByName;
using e3test::WriteByName;

void Act(Te3_TreeView& tree, const std::string& action, const std::string& value)
{
    WriteByName(tree, action, value);
}

std::string TextOf(const QTreeWidgetItem* node)
{
    return node ? node->text(0).toStdString() : "(none)";
}

// The tree as "text(id)" in pre-order, children in brackets.
std::string Outline(const QTreeWidgetItem* node)
{
    std::string out;
    for (int i = 0; i < node->childCount(); ++i) {
        const QTreeWidgetItem* c = node->child(i);
        if (!out.empty())
            out += ' ';
        out += TextOf(c) + "(" + std::to_string(Te3_TreeView::NodeId(c)) + ")";
        if (c->childCount() > 0)
            out += "[" + Outline(c) + "]";
    }
    return out;
}

std::string Outline(const Te3_TreeView& tree)
{
    return Outline(tree.Tree()->invisibleRootItem());
}

// The events of the tree as "Event id" lines; a refusal list answers the
// events that may refuse.
class TreeFixture : public testing::Test {
protected:
    void SetUp() override
    {
        tree.SetBounds(0, 0, 300, 300);
        tree.OnChangeNode = [this](fw::TObject*, int32_t id) { Log("Change", id); };
        tree.OnChangingNode = [this](fw::TObject*, int32_t id, bool& allow) {
            Log("Changing", id);
            allow = !refuse;
        };
        tree.OnExpanding = [this](fw::TObject*, int32_t id, bool& allow) {
            Log("Expanding", id);
            allow = !refuse;
        };
        tree.OnExpanded = [this](fw::TObject*, int32_t id) { Log("Expanded", id); };
        tree.OnCollapsing = [this](fw::TObject*, int32_t id, bool& allow) {
            Log("Collapsing", id);
            allow = !refuse;
        };
        tree.OnCollapsed = [this](fw::TObject*, int32_t id) { Log("Collapsed", id); };
    }

    void Log(const char* event, int32_t id) { events.push_back(std::string(event) + " " + std::to_string(id)); }

    // Fruit(1) [Apple(2) Pear(3) [Nashi(4)]] Nuts(5)
    void Build()
    {
        Act(tree, "_AddChild", "0<|>1<|>Fruit<|>");
        Act(tree, "_AddChild", "1<|>2<|>Apple<|>");
        Act(tree, "_AddChild", "1<|>3<|>Pear<|>");
        Act(tree, "_AddChild", "3<|>4<|>Nashi<|>");
        Act(tree, "_AddChild", "-1<|>5<|>Nuts<|>");
    }

    void Show()
    {
        tree.Widget()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(tree.Widget()));
    }

    Te3_TreeView tree {nullptr};
    std::vector<std::string> events;
    bool refuse = false;
};

TEST_F(TreeFixture, AnIdNamesItsFirstNodeInPreOrder)
{
    // Added last, Beta comes first in pre-order among the nodes with id 2.
    Act(tree, "_AddChild", "0<|>1<|>Root<|>");
    Act(tree, "_AddChild", "0<|>2<|>Gamma<|>");
    Act(tree, "_AddChild", "1<|>2<|>Beta<|>");
    EXPECT_EQ(Outline(tree), "Root(1)[Beta(2)] Gamma(2)");
    EXPECT_EQ(TextOf(tree.FindNode(2)), "Beta");

    Act(tree, "_SetNodeText", "2<|>Beta2");
    Act(tree, "_AddChild", "2<|>3<|>Under<|>");
    EXPECT_EQ(Outline(tree), "Root(1)[Beta2(2)[Under(3)]] Gamma(2)");

    // Once the first goes, the id names the next one.
    Act(tree, "_Delete", "2");
    EXPECT_EQ(Outline(tree), "Root(1) Gamma(2)");
    EXPECT_EQ(tree.FindNode(3), nullptr);
    EXPECT_EQ(TextOf(tree.FindNode(2)), "Gamma");

    // Sorting changes which one is first.
    Act(tree, "_AddChild", "0<|>2<|>Alpha<|>");
    EXPECT_EQ(TextOf(tree.FindNode(2)), "Gamma");
    Act(tree, "_SortFolders", "");
    EXPECT_EQ(Outline(tree), "Alpha(2) Gamma(2) Root(1)");
    EXPECT_EQ(TextOf(tree.FindNode(2)), "Alpha");

    Act(tree, "_Clear", "");
    EXPECT_EQ(tree.FindNode(2), nullptr);
    EXPECT_EQ(tree.Tree()->topLevelItemCount(), 0);
}

TEST_F(TreeFixture, IdFieldsThatAreNoNumber)
{
    Build();
    const struct {
        const char* action;
        const char* value;
        bool raises;
    } cases[] = {
        {"_AddChild", "x<|>9<|>Bad<|>", true},  {"_AddChild", "1<|>y<|>Bad<|>", true},
        {"_SelectNode", "z", true},             {"_Delete", "z", true},
        {"_EditText", "z", true},               {"_SetNodeText", "z<|>Bad", false},
        {"_Image", "z<|>pic", false},           {"_Delete", "77", false},
        {"_SelectNode", "77", false},
    };
    const std::string before = Outline(tree);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.action) + " " + c.value);
        if (c.raises)
            EXPECT_THROW(Act(tree, c.action, c.value), u3::EConvertError);
        else
            EXPECT_NO_THROW(Act(tree, c.action, c.value));
        EXPECT_EQ(Outline(tree), before);
    }
    EXPECT_TRUE(events.empty());
}

// The fields of _AddChild are cut apart as every multi-field value is,
// partial separators and missing fields included.
TEST(TreeViewFields, AddChildReadsItsFieldsAsTheFieldRuleCutsThem)
{
    std::vector<std::string> asked;
    e3::SetEngineImageSource([&](const std::string& name) {
        asked.push_back(name);
        return QImage();
    });
    Te3_TreeView tree(nullptr);
    const char* values[] = {
        "0<|>1<|>a<<|>b<|>",        // "<" just before a separator hides it
        "0<|>2<|>x<|y<|>",          // a partial separator inside a field
        "0<|>3<|>tail<|",           // a value that ends inside a partial separator
        "0<|>4",                    // no text, no picture
        "0<|>5<|>with<|>pic<|>more", // fields past the picture are ignored
        " 0 <|> 6 <|> Spaced <|>",  // ids may carry blanks
        "0<|>7<|><|><<|>",          // an empty text, a picture name "<"
        "0<|>8<|>",                 // an empty last field
    };
    for (const char* value : values) {
        SCOPED_TRACE(value);
        asked.clear();
        Act(tree, "_AddChild", value);
        const int32_t id = std::stoi(u3::ValueFieldDef(value, 1, ""));
        const QTreeWidgetItem* node = tree.FindNode(id);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->text(0).toStdString(), u3::ValueFieldDef(value, 2, ""));
        EXPECT_EQ(node->parent(), nullptr);
        const std::string picture = u3::ValueFieldDef(value, 3, "");
        EXPECT_EQ(asked, u3::Trim(picture).empty() ? std::vector<std::string> {} : std::vector<std::string> {picture});
        EXPECT_EQ(Te3_TreeView::NodeImage(node), -1);
    }
    EXPECT_EQ(tree.Tree()->topLevelItemCount(), 8);
    e3::SetEngineImageSource(nullptr);
}

// A node's id and picture are read and changed through the item's roles;
// a new picture makes the view draw the node again.
TEST(TreeViewPictures, ANewPictureIsReportedToTheView)
{
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    e3::SetEngineImageSource([&](const std::string& name) { return name == "red" ? red : QImage(); });
    Te3_TreeView tree(nullptr);
    Act(tree, "_AddChild", "0<|>1<|>One<|>");
    Act(tree, "_AddChild", "1<|>2<|>Two<|>");
    QTreeWidgetItem* two = tree.FindNode(2);
    ASSERT_NE(two, nullptr);
    QAbstractItemModel* model = tree.Tree()->model();
    const QModelIndex index = tree.Tree()->model()->index(0, 0, model->index(0, 0));
    std::vector<QModelIndex> changed;
    QObject::connect(model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex&) { changed.push_back(from); });

    Act(tree, "_Image", "2<|>red");
    EXPECT_EQ(Te3_TreeView::NodeImage(two), 0);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0], index);
    Act(tree, "_Image", "2<|>red"); // no change, nothing to draw again
    EXPECT_EQ(changed.size(), 1u);
    Act(tree, "_Image", "2<|>none");
    EXPECT_EQ(Te3_TreeView::NodeImage(two), -1);
    EXPECT_EQ(changed.size(), 2u);
    EXPECT_EQ(Te3_TreeView::NodeId(two), 2);
    EXPECT_EQ(Te3_TreeView::NodeImage(tree.FindNode(1)), -1);
    e3::SetEngineImageSource(nullptr);
}

TEST_F(TreeFixture, TheEngineMayRefuseASelectionChange)
{
    Build();
    Show();
    Act(tree, "_SelectNode", "3");
    Act(tree, "_SelectNode", "3");
    EXPECT_EQ(events, (std::vector<std::string> {"Changing 3", "Change 3", "Change 3"}));
    events.clear();

    refuse = true;
    Act(tree, "_SelectNode", "5");
    QTreeWidget* view = tree.Tree();
    const QRect nuts = view->visualItemRect(tree.FindNode(5));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, nuts.center());
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Up); // to Fruit: Pear is inside it, collapsed
    EXPECT_EQ(TextOf(tree.Selected()), "Pear");
    EXPECT_EQ(events, (std::vector<std::string> {"Changing 5", "Changing 5", "Changing 1"}));
    events.clear();

    refuse = false;
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, nuts.center());
    EXPECT_EQ(TextOf(tree.Selected()), "Nuts");
    EXPECT_EQ(events, (std::vector<std::string> {"Changing 5", "Change 5"}));
    events.clear();

    // Deleting the selected node and clearing report nothing.
    Act(tree, "_Delete", "");
    EXPECT_EQ(tree.Selected(), nullptr);
    Act(tree, "_SelectNode", "2");
    events.clear();
    Act(tree, "_Clear", "");
    EXPECT_TRUE(events.empty());
}

TEST_F(TreeFixture, ExpandingAndCollapsingAskTheEngine)
{
    Build();
    Act(tree, "_FullExpand", "");
    EXPECT_EQ(events, (std::vector<std::string> {"Expanding 1", "Expanded 1", "Expanding 3", "Expanded 3"}));
    EXPECT_TRUE(tree.FindNode(3)->isExpanded());
    events.clear();

    Act(tree, "_CanCollapse", "0");
    Act(tree, "_FullCollapse", "");
    EXPECT_TRUE(tree.FindNode(1)->isExpanded());
    EXPECT_TRUE(tree.FindNode(3)->isExpanded());
    EXPECT_EQ(events, (std::vector<std::string> {"Collapsing 1", "Collapsing 3"}));
    events.clear();

    Act(tree, "_CanCollapse", "1");
    refuse = true;
    Act(tree, "_FullCollapse", "");
    EXPECT_TRUE(tree.FindNode(1)->isExpanded());
    refuse = false;
    Show();
    // The user's click on the arrow and the keyboard go the same way.
    QTreeWidget* view = tree.Tree();
    const QRect fruit = view->visualItemRect(tree.FindNode(1));
    events.clear();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(fruit.left() - view->indentation() / 2, fruit.center().y()));
    EXPECT_FALSE(tree.FindNode(1)->isExpanded());
    EXPECT_EQ(events, (std::vector<std::string> {"Collapsing 1", "Collapsed 1"}));
    events.clear();
    Act(tree, "_SelectNode", "1");
    view->setFocus();
    refuse = true;
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_FALSE(tree.FindNode(1)->isExpanded());
    refuse = false;
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_TRUE(tree.FindNode(1)->isExpanded());
    EXPECT_EQ(events, (std::vector<std::string> {"Changing 1", "Change 1", "Expanding 1", "Expanding 1",
                                                 "Expanded 1"}));
}

TEST_F(TreeFixture, SortFoldersPutsListedIdsInTheirOrder)
{
    const struct {
        const char* order;
        const char* outline;
    } cases[] = {
        // Unlisted ids rank -1: before the listed ones, by text.
        {"7||3", "a(9) b(5)[x(2) y(1)] d(7) c(3)"},
        {"7\r\n-1\r\n3", "d(7) a(9) b(5)[x(2) y(1)] c(3)"},
        {"1||2", "a(9) b(5)[y(1) x(2)] c(3) d(7)"},
        {"", "a(9) b(5)[x(2) y(1)] c(3) d(7)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.order);
        Te3_TreeView t(nullptr);
        for (const char* node : {"0<|>3<|>c<|>", "0<|>7<|>d<|>", "0<|>5<|>b<|>", "5<|>1<|>y<|>", "5<|>2<|>x<|>",
                                 "0<|>9<|>a<|>"})
            Act(t, "_AddChild", node);
        t.FindNode(5)->setExpanded(true);
        t.Tree()->setCurrentItem(t.FindNode(1));
        Act(t, "_SortFolders", c.order);
        EXPECT_EQ(Outline(t), c.outline);
        EXPECT_TRUE(t.FindNode(5)->isExpanded());
        EXPECT_EQ(TextOf(t.Selected()), "y");
    }
}

TEST(TreeViewPictures, PicturesAreFetchedOnceByNameAndCutToTheNodeSize)
{
    QImage cached(32, 8, QImage::Format_RGB32);
    cached.fill(Qt::red);
    int fetches = 0;
    e3::SetEngineImageSource([&](const std::string& name) {
        ++fetches;
        return name == "folder" || name == "FOLDER" ? cached : QImage();
    });
    Te3_TreeView tree(nullptr);
    Act(tree, "_AddChild", "0<|>1<|>One<|>folder");
    Act(tree, "_AddChild", "0<|>2<|>Two<|>Folder");
    Act(tree, "_AddChild", "0<|>3<|>Three<|>  ");
    Act(tree, "_AddChild", "0<|>4<|>Four<|>missing");
    EXPECT_EQ(fetches, 2); // "folder" once, "missing" once
    EXPECT_EQ(Te3_TreeView::NodeImage(tree.FindNode(1)), 0);
    EXPECT_EQ(Te3_TreeView::NodeImage(tree.FindNode(2)), 0);
    EXPECT_EQ(Te3_TreeView::NodeImage(tree.FindNode(3)), -1);
    EXPECT_EQ(Te3_TreeView::NodeImage(tree.FindNode(4)), -1);
    // The node picture is 20 x 20: the red cut at the right, white (now
    // transparent) below; the cached picture is untouched.
    const QImage node = tree.ImageAt(0).toImage();
    EXPECT_EQ(node.size(), QSize(20, 20));
    EXPECT_EQ(node.pixelColor(19, 7), QColor(Qt::red));
    EXPECT_EQ(node.pixelColor(5, 15).alpha(), 0);
    EXPECT_EQ(cached.size(), QSize(32, 8));
    EXPECT_EQ(cached.pixelColor(31, 7), QColor(Qt::red));

    Act(tree, "_ImageWidth", "16");
    EXPECT_EQ(tree.ImageCount(), 0);
    Act(tree, "_Image", "2<|>folder");
    EXPECT_EQ(fetches, 3);
    EXPECT_EQ(tree.ImageAt(0).size(), QSize(16, 20));
    Act(tree, "_ImageHeight", "not a number");
    EXPECT_EQ(tree.GetImageHeight(), 20);
    e3::SetEngineImageSource(nullptr);
}

TEST_F(TreeFixture, StateArrowsFollowTheNodes)
{
    Build();
    Act(tree, "_ShowImages", "1<|>");
    EXPECT_FALSE(tree.GetShowButtons());
    EXPECT_TRUE(tree.ShowsStateArrows());
    EXPECT_FALSE(tree.ShowsImages());
    const auto state = [&](int32_t id) { return Te3_TreeView::NodeState(tree.FindNode(id)); };
    EXPECT_EQ(state(1), 2);
    EXPECT_EQ(state(2), 3);
    Act(tree, "_FullExpand", "");
    EXPECT_EQ(state(1), 1);
    EXPECT_EQ(state(3), 1);
    Act(tree, "_Delete", "4");
    EXPECT_EQ(state(3), 3);
    Act(tree, "_AddChild", "2<|>6<|>Cox<|>");
    EXPECT_EQ(state(2), 2);
    EXPECT_EQ(state(6), 3);
}

TEST_F(TreeFixture, BoldRootsAndGreyNodes)
{
    Build();
    Act(tree, "_FullExpand", "");
    const auto look = [&](int32_t id) {
        const auto l = tree.LookOf(tree.FindNode(id));
        return std::string(l.bold ? "bold " : "") + (!l.ownColor ? "plain" : l.color == 0 ? "black" : "grey");
    };
    EXPECT_EQ(look(1), "plain");
    Act(tree, "_GrayNodes", "3\r\n5");
    EXPECT_EQ(look(1) + ", " + look(3) + ", " + look(5), "black, grey, grey");
    Act(tree, "_BoldRoots", "1");
    EXPECT_EQ(look(1) + ", " + look(2) + ", " + look(5), "bold black, black, bold grey");
    // Mode 2: the two top levels bold and grey, the grey list not asked.
    Act(tree, "_BoldRoots", "2");
    EXPECT_EQ(look(1) + ", " + look(3) + ", " + look(4) + ", " + look(5),
              "bold grey, bold grey, black, bold grey");
}

TEST_F(TreeFixture, EditedTextsAreCutCleanedAndMayBeReplacedByTheEngine)
{
    const struct {
        const char* preventEmpty;
        const char* maxLen;
        const char* typed;
        const char* kept;
    } cases[] = {
        {"1", "0", "  two   words here  ", "two words here"},
        {"1", "5", "  one two", "one"},
        {"0", "5", "  one two", "  one"},
        {"0", "0", " as  typed ", " as  typed "},
        {"2", "0", " a  b ", " a  b "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        Act(tree, "_PreventEmpty", c.preventEmpty);
        Act(tree, "_MaxTextLen", c.maxLen);
        EXPECT_EQ(tree.EditedText(c.typed), c.kept);
    }

    Build();
    Act(tree, "_FullExpand", "");
    Show();
    Act(tree, "_PreventEmpty", "1");
    Act(tree, "_MaxTextLen", "8");
    std::vector<std::string> edits;
    tree.OnEditingNode = [&](fw::TObject*, int32_t id) { edits.push_back("editing " + std::to_string(id)); };
    tree.OnEditedNode = [&](fw::TObject*, int32_t id, std::string& text) {
        edits.push_back("edited " + std::to_string(id) + " '" + text + "' '" + TextOf(tree.FindNode(id)) + "'");
        if (text == "Plum")
            text = "Prune";
    };
    tree.OnCancelEdit = [&](fw::TObject*, int32_t id) { edits.push_back("cancel " + std::to_string(id)); };
    Act(tree, "_EditText", "2");
    auto* editor = qobject_cast<QLineEdit*>(tree.NodeEditor());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->maxLength(), 8);
    editor->setText(" Plum ");
    QTest::keyClick(editor, Qt::Key_Return); // the delegate commits from the event loop
    EXPECT_TRUE(QTest::qWaitFor([&] { return !tree.IsEditing(); }, 20000));
    EXPECT_EQ(TextOf(tree.FindNode(2)), "Prune");

    Act(tree, "_EditText", "5");
    editor = qobject_cast<QLineEdit*>(tree.NodeEditor());
    ASSERT_NE(editor, nullptr);
    editor->setText("Nothing");
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !tree.IsEditing(); }, 20000));
    EXPECT_EQ(TextOf(tree.FindNode(5)), "Nuts");
    EXPECT_EQ(edits, (std::vector<std::string> {"editing 2", "edited 2 'Plum' 'Plum'", "editing 5", "cancel 5"}));

    tree.SetReadOnly(true);
    Act(tree, "_EditText", "3");
    EXPECT_FALSE(tree.IsEditing());
}

TEST_F(TreeFixture, TheDragNodeIdAndTheSmallSettings)
{
    EXPECT_EQ(TextByName(tree, "_DragNodeID"), "-1");
    Act(tree, "_DragNodeID", "42");
    EXPECT_EQ(TextByName(tree, "_DragNodeID"), "42");
    Act(tree, "_DragNodeID", "x");
    EXPECT_EQ(TextByName(tree, "_DragNodeID"), "-1");
    Build();
    Act(tree, "_SelNodeText", "nothing selected");
    EXPECT_EQ(Outline(tree), "Fruit(1)[Apple(2) Pear(3)[Nashi(4)]] Nuts(5)");
    Act(tree, "_SelectNode", "5");
    Act(tree, "_SelNodeText", "Seeds");
    EXPECT_EQ(TextOf(tree.FindNode(5)), "Seeds");
}

} // namespace
