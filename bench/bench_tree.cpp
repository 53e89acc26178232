// A tree of 10,000 nodes built by the engine's actions, each naming its parent
// by id, against filling a plain QTreeWidget with the same nodes in the same
// run; and a navigation bar of 500 icon buttons. Both must grow linearly: the
// time for the full size against the time for half of it.
// Exits non-zero when the tree takes twice the peer's time or more, or when a
// doubling of the size costs more than three times as much.
// With --callgrind FILE, under
//   valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file=FILE
// it prints the instructions of one tree build and of one peer fill instead,
// figures the machine's load does not move.
#include "BenchTiming.h"
#include "e3/bars/NavigationBar.h"
#include "e3/common/EngineImages.h"
#include "e3/trees/TreeView.h"

#include <QApplication>
#include <QTreeWidget>

#include <valgrind/callgrind.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

struct Node {
    int parent; // index of the parent node, -1 for a root
    int id;
    std::string text;
};

// Ids in no order; every node hangs under a node made before it.
std::vector<Node> MakeNodes(int count)
{
    std::mt19937 random(11);
    std::vector<Node> nodes;
    nodes.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int parent = i < 20 ? -1 : static_cast<int>(random() % static_cast<unsigned>(i));
        nodes.push_back({parent, static_cast<int>(1000003LL * (i + 1) % 99999989), "Folder " + std::to_string(random() % 100000)});
    }
    return nodes;
}

std::vector<std::string> Actions(const std::vector<Node>& nodes)
{
    std::vector<std::string> actions;
    actions.reserve(nodes.size());
    for (const Node& n : nodes) {
        const int parentId = n.parent < 0 ? -1 : nodes[static_cast<size_t>(n.parent)].id;
        actions.push_back(std::to_string(parentId) + "<|>" + std::to_string(n.id) + "<|>" + n.text + "<|>");
    }
    return actions;
}

void BuildTree(e3::Te3_TreeView& tree, const std::vector<std::string>& actions)
{
    for (const std::string& a : actions)
        tree.ActAddChild(a);
}

void FillPeer(QTreeWidget& peer, const std::vector<Node>& nodes, std::vector<QTreeWidgetItem*>& items)
{
    for (size_t i = 0; i < nodes.size(); ++i) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, QString::fromStdString(nodes[i].text));
        item->setData(0, Qt::UserRole, nodes[i].id);
        if (nodes[i].parent < 0)
            peer.addTopLevelItem(item);
        else
            items[static_cast<size_t>(nodes[i].parent)]->addChild(item);
        items[i] = item;
    }
}

// The best of each figure over five rounds. Each round builds both trees
// and fills the peer, so that a busy spell of the machine falls on both
// sides alike; and each figure is the processor time of this thread, which
// leaves out the time the thread waits for a processor.
struct TreeFigures {
    double ours = 1e30;
    double clear = 1e30;
    double oursHalf = 1e30;
    double clearHalf = 1e30;
    double peer = 1e30;
};

void TreeRound(const std::vector<std::string>& actions, double& build, double& clear)
{
    e3::Te3_TreeView tree(nullptr);
    build = std::min(build, benchtiming::CpuSecondsOf([&] { BuildTree(tree, actions); }));
    clear = std::min(clear, benchtiming::CpuSecondsOf([&] { tree.ActClear(""); }));
}

TreeFigures MeasureTrees(const std::vector<Node>& all, const std::vector<Node>& half)
{
    const std::vector<std::string> actions = Actions(all);
    const std::vector<std::string> halfActions = Actions(half);
    std::vector<QTreeWidgetItem*> items(all.size());
    TreeFigures f;
    for (int run = 0; run < 5; ++run) {
        TreeRound(actions, f.ours, f.clear);
        TreeRound(halfActions, f.oursHalf, f.clearHalf);
        QTreeWidget peer;
        f.peer = std::min(f.peer, benchtiming::CpuSecondsOf([&] { FillPeer(peer, all, items); }));
    }
    return f;
}

double BarSeconds(int buttons)
{
    return benchtiming::BestSeconds(3, [&] {
        e3::Te3_NavigationBar bar(nullptr);
        bar.SetBounds(0, 0, 200, 600);
        bar.SetStyle(e3::lbsButtonsPane);
        for (int g = 0; g < 5; ++g)
            bar.ActAddButton("Group " + std::to_string(g) + "<|>2");
        for (int i = 0; i < buttons; ++i)
            bar.ActAddHExplorerButton(std::to_string(i % 5) + "<|>Item " + std::to_string(i) + "<|>large<|>small");
    });
}

// The instructions of one callgrind dump: its "totals:" line (or "summary:"
// when it has none); -1 when the file cannot be read.
long long DumpInstructions(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    long long summary = -1;
    while (std::getline(in, line)) {
        if (line.rfind("totals:", 0) == 0)
            return std::stoll(line.substr(7));
        if (line.rfind("summary:", 0) == 0)
            summary = std::stoll(line.substr(8));
    }
    return summary;
}

// Under callgrind (started with --collect-atstart=no and
// --callgrind-out-file=FILE): one build of each side after a warm-up, each
// dumped on its own (and a build of half the nodes), then the instruction
// counts, their ratio and our growth.
int CallgrindMode(const std::vector<Node>& nodes, const std::string& outFile)
{
    if (!RUNNING_ON_VALGRIND) {
        std::fprintf(stderr, "run under valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file=FILE\n");
        return 2;
    }
    const std::vector<std::string> actions = Actions(nodes);
    const std::vector<std::string> halfActions(actions.begin(), actions.begin() + static_cast<long>(actions.size() / 2));
    std::vector<QTreeWidgetItem*> items(nodes.size());
    {
        e3::Te3_TreeView warm(nullptr);
        BuildTree(warm, actions);
        QTreeWidget peer;
        FillPeer(peer, nodes, items);
    }
    {
        e3::Te3_TreeView tree(nullptr);
        CALLGRIND_ZERO_STATS;
        CALLGRIND_TOGGLE_COLLECT;
        BuildTree(tree, actions);
        CALLGRIND_TOGGLE_COLLECT;
        CALLGRIND_DUMP_STATS_AT("ours");
    }
    {
        e3::Te3_TreeView tree(nullptr);
        CALLGRIND_ZERO_STATS;
        CALLGRIND_TOGGLE_COLLECT;
        BuildTree(tree, halfActions);
        CALLGRIND_TOGGLE_COLLECT;
        CALLGRIND_DUMP_STATS_AT("ours half");
    }
    {
        QTreeWidget peer;
        CALLGRIND_ZERO_STATS;
        CALLGRIND_TOGGLE_COLLECT;
        FillPeer(peer, nodes, items);
        CALLGRIND_TOGGLE_COLLECT;
        CALLGRIND_DUMP_STATS_AT("peer");
    }
    const long long ours = DumpInstructions(outFile + ".1");
    const long long oursHalf = DumpInstructions(outFile + ".2");
    const long long theirs = DumpInstructions(outFile + ".3");
    std::printf("_AddChild of %zu nodes by parent id: %lld instructions (%zu nodes: %lld)\n", nodes.size(), ours,
                halfActions.size(), oursHalf);
    std::printf("QTreeWidget filled with the same %zu nodes: %lld instructions\n", nodes.size(), theirs);
    if (ours < 0 || oursHalf <= 0 || theirs <= 0)
        return 2;
    std::printf("instruction ratio ours/peer: %.2f, growth %.2f\n", static_cast<double>(ours) / static_cast<double>(theirs),
                static_cast<double>(ours) / static_cast<double>(oursHalf));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QImage large(40, 40, QImage::Format_RGB32);
    large.fill(Qt::darkCyan);
    QImage small = large.scaled(18, 18);
    e3::SetEngineImageSource([&](const std::string& name) { return name == "large" ? large : small; });

    constexpr int nodes = 10000;
    const std::vector<Node> all = MakeNodes(nodes);
    if (argc == 3 && std::strcmp(argv[1], "--callgrind") == 0) {
        const int result = CallgrindMode(all, argv[2]);
        e3::SetEngineImageSource(nullptr);
        return result;
    }
    const std::vector<Node> half(all.begin(), all.begin() + nodes / 2);
    const TreeFigures trees = MeasureTrees(all, half);
    const double ours = trees.ours;
    const double oursHalf = trees.oursHalf;
    const double clear = trees.clear;
    const double clearHalf = trees.clearHalf;
    const double theirs = trees.peer;

    constexpr int buttons = 500;
    const double bar = BarSeconds(buttons);
    const double barHalf = BarSeconds(buttons / 2);

    const double ratio = ours / theirs;
    const double treeGrowth = ours / oursHalf;
    const double barGrowth = bar / barHalf;
    std::printf("tree figures: processor time of the thread, best of 5 interleaved rounds\n");
    std::printf("_AddChild of %d nodes by parent id: %.2f ms (%d nodes: %.2f ms, growth %.2f)\n", nodes, ours * 1e3,
                nodes / 2, oursHalf * 1e3, treeGrowth);
    std::printf("_Clear of %d nodes: %.2f ms (%d nodes: %.2f ms)\n", nodes, clear * 1e3, nodes / 2, clearHalf * 1e3);
    std::printf("QTreeWidget filled with the same %d nodes: %.2f ms\n", nodes, theirs * 1e3);
    std::printf("ratio ours/peer: %.2f (target below 2)\n", ratio);
    std::printf("navigation bar with %d icon buttons: %.2f ms (%d: %.2f ms, growth %.2f; target below 3)\n", buttons,
                bar * 1e3, buttons / 2, barHalf * 1e3, barGrowth);
    e3::SetEngineImageSource(nullptr);
    return ratio < 2 && treeGrowth < 3 && barGrowth < 3 ? 0 : 1;
}
