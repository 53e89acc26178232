// A data list over a table of 1,000,000 rows served by the sample engine over
// CORBA, shown through a 30-row, 4-column grid view: the first paint, a scroll
// to the end, a jump to the middle and a repaint of the same screen.
//   per screen: engine calls (must be exactly one for a new screen, none for a
//   repaint) and time, against the bare engine round trips of the same requests
//   (the peer) in the same run
//   memory: heap grown after the same screens over 10,000 and over 1,000,000
//   rows (it follows the rows seen, not the row count)
//   cache lookups: callgrind instructions per lookup at 1,000 and 1,000,000
//   cached rows, against std::map (the peer), each in a run of this program
//   under valgrind
#include "client/Client.h"
#include "client/ClientSender.h"
#include "client/EventList.h"
#include "client/Globals.h"
#include "client/MemoryTextStream.h"
#include "e3/datalist/DataListClient.h"
#include "u3/Files.h"

#include "BenchEngine.h"
#include "BenchTiming.h"

#include <QApplication>

#include <valgrind/callgrind.h>

#include <malloc.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using benchtiming::SecondsOf;

constexpr int32_t kVisible = 30;
constexpr int32_t kCols = 4;

using benchengine::Child;
using benchengine::Fail;
using benchengine::ProgramFolder;

// Keeps every ExecuteEvent, so that the peer can send the very same requests.
class RecordingEngine final : public benchengine::ForwardingEngine {
public:
    using ForwardingEngine::ForwardingEngine;
    struct Call {
        std::string senderName, senderType, eventName, values;
    };
    std::vector<Call> calls;

protected:
    void Seen(const std::string& senderName, const std::string& senderType, const std::string& eventName,
              const std::string& eventValues) override
    {
        calls.push_back({senderName, senderType, eventName, eventValues});
    }
};

// What a grid of kVisible rows and kCols columns with a title row shows.
class GridView final : public fw::TComponent, public e3::IDataListGrid {
public:
    explicit GridView(int32_t dataRows) : fw::TComponent(nullptr), rows_(dataRows + 1) { SetName("grdBench"); }
    fw::TComponent* GridComponent() override { return this; }
    int32_t GridColCount() const override { return kCols; }
    int32_t GridRowCount() const override { return rows_; }
    int32_t GridTopRow() const override { return top; }
    int32_t GridFixedRows() const override { return 1; }
    int32_t GridVisibleRowCount() const override { return kVisible; }
    bool GridTitleVisible() const override { return true; }
    std::vector<int32_t> GridColumnWidths() const override { return std::vector<int32_t>(kCols, 100); }
    void GridLastPressCell(int32_t& col, int32_t& row) const override { col = row = -1; }
    void GridRepaintLater() override {}
    void GridDataListGone() override {}

    int32_t top = 1;

private:
    int32_t rows_;
};

// The data work of painting one screen: the rows fetched, every visible cell
// looked up and split.
size_t PaintScreen(e3::TDGDataListClient& list, GridView& grid)
{
    list.EnsureVisibleRows();
    size_t sink = 0;
    for (int32_t r = grid.top - 1; r < grid.top - 1 + kVisible; ++r)
        for (int32_t c = 0; c < kCols; ++c) {
            e3::TDLCellParts parts;
            const e3::TDLCellRef ref = list.GetCell(c, r);
            e3::TDGDataListClient::ParseCell(ref.cell, parts);
            sink += parts.text.size();
        }
    return sink;
}

size_t HeapInUse()
{
    return mallinfo2().uordblks;
}

void Bind(const std::string& listName, const std::string& engineEvent)
{
    client::TMemoryTextStream reply("{\r\n;\r\n" + listName + ".OnGetData\r\n" + engineEvent + "\r\n;\r\n}\r\n");
    client::TClientSender::CreateForClient("Bench").ApplyReply(reply);
}

struct Step {
    const char* name;
    int32_t top;
};

// --- cache lookups under callgrind ------------------------------------------------

constexpr int kLookups = 200000;

// Child mode: fills a cache (ours, or the std::map peer) and counts only the
// lookups.
int RunLookups(const std::string& kind, int32_t rows)
{
    e3::TDLRowCache cache;
    std::map<int32_t, e3::TDLRow> peer;
    for (int32_t r = 0; r < rows; ++r) {
        if (kind == "ours")
            cache.Store(r, {"c"});
        else
            peer.emplace(r, e3::TDLRow {"c"});
    }
    size_t found = 0;
    uint32_t x = 12345;
    CALLGRIND_START_INSTRUMENTATION;
    for (int i = 0; i < kLookups; ++i) {
        x = x * 1103515245u + 12345u;
        const auto row = static_cast<int32_t>(x % static_cast<uint32_t>(rows));
        if (kind == "ours")
            found += cache.Find(row) != nullptr;
        else
            found += peer.find(row) != peer.end();
    }
    CALLGRIND_STOP_INSTRUMENTATION;
    return found == kLookups ? 0 : 1;
}

// Instructions per lookup, or a negative figure when valgrind cannot run.
double LookupInstructions(const std::string& scratch, const std::string& kind, int32_t rows)
{
    const std::string out = scratch + "/callgrind." + kind + "." + std::to_string(rows);
    {
        Child child({"valgrind", "-q", "--tool=callgrind", "--instr-atstart=no", "--callgrind-out-file=" + out,
                     ProgramFolder() + "/bench_datalist", "--lookups", kind, std::to_string(rows)});
        while (!child.ReadLine().empty()) {
        }
        if (child.Wait() != 0)
            return -1;
    }
    // The summary counts from the start of the run, when nothing was measured
    // yet; the totals hold what the measured loop executed.
    std::ifstream in(out);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("totals:", 0) == 0)
            return std::strtod(line.c_str() + line.find(':') + 1, nullptr) / kLookups;
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--lookups")
        return RunLookups(argv[2], std::atoi(argv[3]));

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const std::string scratch = benchengine::PrivateScratch();

    constexpr int32_t kRows = 1000000;
    constexpr int32_t kSmallRows = 10000;
    const std::string rowTemplate = "APP-%n>|<Applicant %n^^1^^255>|<%(Filed/Examined/Granted/Refused)>|<%d.00>|<";
    {
        std::ofstream scenario(scratch + "/scenario.txt");
        scenario << "on Main.GetRows\n  rows List1.TempData " << kRows << " = " << rowTemplate << "\nend\n"
                 << "on Main.GetSmallRows\n  rows List2.TempData " << kSmallRows << " = " << rowTemplate << "\nend\n";
    }
    benchengine::SampleEngine sample(scratch + "/scenario.txt");
    client::IClientGUIEngine& link = sample.Link();
    RecordingEngine engine(link);

    auto theClient = std::make_unique<client::TClient>("Bench");
    theClient->SetEngine(&engine);
    client::SetClient(theClient.get());
    auto eventList = std::make_unique<client::TEventList>(nullptr);
    client::SetEventListObject(eventList.get());

    const Step steps[] = {
        {"first paint", 1},
        {"scroll to the end", kRows + 1 - kVisible},
        {"jump to the middle", kRows / 2},
        {"repaint, same screen", kRows / 2},
    };
    constexpr int kSteps = 4;
    constexpr int kRounds = 5;
    double ours[kSteps], peer[kSteps];
    size_t calls[kSteps] = {};
    std::fill(ours, ours + kSteps, 1e30);
    std::fill(peer, peer + kSteps, 1e30);
    size_t sink = 0;
    size_t cachedRows = 0;
    double heapLarge = 0;

    theClient->CreateEngineComponent("TDGDataListClient", "", "List1");
    auto* list = dynamic_cast<e3::TDGDataListClient*>(theClient->CreatedComponents().Find("List1"));
    if (!list)
        Fail("no data list");
    Bind("List1", "Main.GetRows");
    for (int round = 0; round < kRounds; ++round) {
        GridView grid(kRows);
        const size_t heapBefore = HeapInUse();
        list->AttachGrid(&grid);
        for (int s = 0; s < kSteps; ++s) {
            grid.top = steps[s].top;
            const size_t before = engine.calls.size();
            ours[s] = std::min(ours[s], SecondsOf([&] { sink += PaintScreen(*list, grid); }));
            calls[s] = std::max(calls[s], engine.calls.size() - before);
            const std::vector<RecordingEngine::Call> sent(engine.calls.begin() + static_cast<std::ptrdiff_t>(before),
                                                          engine.calls.end());
            peer[s] = std::min(peer[s], SecondsOf([&] {
                                   for (const auto& c : sent)
                                       sink += link.ExecuteEvent("", c.senderName, c.senderType, c.eventName, c.values)
                                                   .size();
                               }));
        }
        cachedRows = list->Cache().Count();
        heapLarge = static_cast<double>(HeapInUse()) - static_cast<double>(heapBefore);
        list->DetachGrid();
    }

    // The same screens over a table of 10,000 rows.
    theClient->CreateEngineComponent("TDGDataListClient", "", "List2");
    auto* small = dynamic_cast<e3::TDGDataListClient*>(theClient->CreatedComponents().Find("List2"));
    if (!small)
        Fail("no data list");
    Bind("List2", "Main.GetSmallRows");
    double heapSmall = 0;
    size_t smallCached = 0;
    {
        GridView grid(kSmallRows);
        const size_t heapBefore = HeapInUse();
        small->AttachGrid(&grid);
        for (const Step& step : {Step {"", 1}, Step {"", kSmallRows + 1 - kVisible}, Step {"", kSmallRows / 2}}) {
            grid.top = step.top;
            sink += PaintScreen(*small, grid);
        }
        smallCached = small->Cache().Count();
        heapSmall = static_cast<double>(HeapInUse()) - static_cast<double>(heapBefore);
        small->DetachGrid();
    }

    bool ok = true;
    std::printf("data list over %d engine rows, %d visible rows x %d columns, CORBA to the sample engine\n", kRows,
                kVisible, kCols);
    for (int s = 0; s < kSteps; ++s) {
        const size_t expected = s == kSteps - 1 ? 0 : 1;
        ok = ok && calls[s] == expected;
        std::printf("  %-22s engine calls %zu (want %zu)  ours %.3f ms  bare round trips %.3f ms  ratio %.2f\n",
                    steps[s].name, calls[s], expected, ours[s] * 1e3, peer[s] * 1e3,
                    peer[s] > 0 && calls[s] > 0 ? ours[s] / peer[s] : 0.0);
    }
    std::printf("memory after the three screens: %d rows: %zu rows cached, heap +%.1f kB;  %d rows: %zu rows "
                "cached, heap +%.1f kB;  ratio %.2f\n",
                kSmallRows, smallCached, heapSmall / 1024, kRows, cachedRows, heapLarge / 1024,
                heapSmall > 0 ? heapLarge / heapSmall : 0.0);

    double ir[2][2];
    const int32_t sizes[2] = {1000, 1000000};
    for (int k = 0; k < 2; ++k)
        for (int s = 0; s < 2; ++s)
            ir[k][s] = LookupInstructions(scratch, k == 0 ? "ours" : "map", sizes[s]);
    if (ir[0][0] <= 0 || ir[0][1] <= 0 || ir[1][0] <= 0) {
        std::printf("cache lookups: valgrind did not run, no instruction counts\n");
        ok = false;
    } else {
        std::printf("cache lookup, callgrind instructions: ours 1,000 rows %.1f  1,000,000 rows %.1f  ratio %.2f;  "
                    "peer std::map %.1f  %.1f  ratio %.2f\n",
                    ir[0][0], ir[0][1], ir[0][1] / ir[0][0], ir[1][0], ir[1][1], ir[1][1] / ir[1][0]);
        ok = ok && ir[0][1] / ir[0][0] <= 1.2;
    }
    std::printf("(checksum %zu)\n", sink);

    client::SetEventListObject(nullptr);
    client::SetClient(nullptr);
    eventList.reset();
    theClient.reset();
    fw::TComponent::DeleteReleased();
    u3::SetExeNameOverride("");
    u3::DeleteDirectoryTree(scratch, true);
    return ok ? 0 : 1;
}
