// The data-list grid over 1,000,000 rows served by the sample engine over
// CORBA: the first paint, a scroll to the end and a jump to the middle.
//   engine calls per newly shown screen: exactly one
//   paint time per screen (rows already fetched) against Qt's QTableView over
//   a lazy model of the same size and the same texts, both rendered into an
//   image of the same size in the same run; target: at most 2 times
#include "client/Client.h"
#include "client/ClientSender.h"
#include "client/EventList.h"
#include "client/Globals.h"
#include "client/MemoryTextStream.h"
#include "e3/grids/DLDrawGrid.h"
#include "u3/Files.h"

#include "BenchEngine.h"
#include "BenchTiming.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QTableView>


#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using benchtiming::SecondsOf;

constexpr int32_t kRows = 1000000;
constexpr int32_t kCols = 4;
constexpr int kWidth = 520;
constexpr int kHeight = 560;
constexpr int kRounds = 30;

using benchengine::Fail;

// Counts the engine calls on their way to the engine link.
class CountingEngine final : public benchengine::ForwardingEngine {
public:
    using ForwardingEngine::ForwardingEngine;
    size_t calls = 0;

protected:
    void Seen(const std::string&, const std::string&, const std::string&, const std::string&) override { ++calls; }
};

// The peer's rows: the same texts as the sample engine's template, made when
// the view asks for them.
class LazyModel final : public QAbstractTableModel {
public:
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kRows; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kCols; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        const int n = index.row();
        static const char* const states[] = {"Filed", "Examined", "Granted", "Refused"};
        switch (index.column()) {
        case 0: return QStringLiteral("APP-%1").arg(n);
        case 1: return QStringLiteral("Applicant %1").arg(n);
        case 2: return QString::fromLatin1(states[n % 4]);
        default: return QStringLiteral("%1.00").arg(n);
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
            return {};
        return QStringLiteral("Column %1").arg(section);
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const std::string scratch = benchengine::PrivateScratch();
    {
        std::ofstream scenario(scratch + "/scenario.txt");
        scenario << "on Main.GetRows\n  rows List1.TempData " << kRows
                 << " = APP-%n>|<Applicant %n>|<%(Filed/Examined/Granted/Refused)>|<%d.00>|<\nend\n";
    }
    benchengine::SampleEngine sample(scratch + "/scenario.txt");
    CountingEngine engine(sample.Link());

    auto theClient = std::make_unique<client::TClient>("Bench");
    theClient->SetEngine(&engine);
    client::SetClient(theClient.get());
    auto eventList = std::make_unique<client::TEventList>(nullptr);
    client::SetEventListObject(eventList.get());

    theClient->CreateEngineComponent("TDGDataListClient", "", "List1");
    auto* list = dynamic_cast<e3::TDGDataListClient*>(theClient->CreatedComponents().Find("List1"));
    if (!list)
        Fail("no data list");
    {
        client::TMemoryTextStream reply("{\r\n;\r\nList1.OnGetData\r\nMain.GetRows\r\n;\r\n}\r\n");
        client::TClientSender::CreateForClient("Bench").ApplyReply(reply);
    }

    auto grid = std::make_unique<e3::Te3_DLDrawGrid>(nullptr);
    grid->SetName("grdBench");
    grid->SetColCount(kCols);
    grid->SetFixedCols(0);
    grid->SetTitleVisible(true);
    grid->Set_RowCount(kRows);
    grid->SetBounds(0, 0, kWidth, kHeight);
    for (int c = 0; c < kCols; ++c)
        grid->GetColumns()->GetColumn(c)->GetTitle()->SetCaption("Column " + std::to_string(c));
    grid->SetDataList(list);

    LazyModel model;
    QTableView view;
    view.setModel(&model);
    view.verticalHeader()->hide();
    view.verticalHeader()->setDefaultSectionSize(grid->GetDefaultRowHeight() + 1);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.resize(kWidth, kHeight);
    for (int c = 0; c < kCols; ++c)
        view.setColumnWidth(c, grid->ColWidths(c));

    QImage oursImage(grid->Viewport()->size().expandedTo(QSize(kWidth, kHeight)), QImage::Format_ARGB32_Premultiplied);
    QImage peerImage(view.size(), QImage::Format_ARGB32_Premultiplied);

    struct Step {
        const char* name;
        int32_t dataRow; // first data row shown
    };
    const Step steps[] = {
        {"first paint", 0},
        {"scroll to the end", kRows - 1},
        {"jump to the middle", kRows / 2},
    };
    bool ok = true;
    std::printf("data-list grid over %d engine rows (CORBA, sample engine), %d columns, %dx%d pixels, against "
                "QTableView over a lazy model of the same size\n",
                kRows, kCols, kWidth, kHeight);
    for (const Step& step : steps) {
        const size_t before = engine.calls;
        if (step.dataRow == kRows - 1)
            grid->SetTopRow(grid->GetRowCount() - 1);
        else
            grid->SetTopRow(step.dataRow + 1);
        const double fetch = SecondsOf([&] { grid->FetchVisibleRows(); });
        const size_t calls = engine.calls - before;
        // Row heights settle on the first paint of a screen.
        grid->Viewport()->render(&oursImage);
        const size_t afterFirst = engine.calls;
        double ours = 1e30;
        for (int i = 0; i < kRounds; ++i)
            ours = std::min(ours, SecondsOf([&] { grid->Viewport()->render(&oursImage); }));
        grid->FetchVisibleRows();
        const size_t repaintCalls = engine.calls - afterFirst;

        view.scrollTo(model.index(step.dataRow, 0), QAbstractItemView::PositionAtTop);
        view.render(&peerImage);
        double peer = 1e30;
        for (int i = 0; i < kRounds; ++i)
            peer = std::min(peer, SecondsOf([&] { view.render(&peerImage); }));

        const double ratio = ours / peer;
        ok = ok && calls == 1 && repaintCalls == 0 && ratio <= 2.0;
        std::printf("  %-20s engine calls %zu (want 1), repaint calls %zu (want 0), fetch %.3f ms;  paint: ours "
                    "%.3f ms  QTableView %.3f ms  ratio %.2f (target <= 2)\n",
                    step.name, calls, repaintCalls, fetch * 1e3, ours * 1e3, peer * 1e3, ratio);
    }
    std::printf("rows cached after the three screens: %zu of %d\n", list->Cache().Count(), kRows);

    grid.reset();
    client::SetEventListObject(nullptr);
    client::SetClient(nullptr);
    eventList.reset();
    theClient.reset();
    fw::TComponent::DeleteReleased();
    u3::SetExeNameOverride("");
    u3::DeleteDirectoryTree(scratch, true);
    return ok ? 0 : 1;
}
