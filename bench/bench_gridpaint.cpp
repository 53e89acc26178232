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
#include "enginelink/CorbaClient.h"
#include "u3/Files.h"

#include "BenchTiming.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QTableView>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
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

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "%s\n", what.c_str());
    std::exit(2);
}

std::string ProgramFolder()
{
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        Fail("cannot find this program");
    const std::string program(self, static_cast<size_t>(n));
    return program.substr(0, program.rfind('/'));
}

// The sample engine, its output read through a pipe.
class Child {
public:
    explicit Child(std::vector<std::string> args)
    {
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int out[2];
        if (::pipe(out) != 0)
            Fail("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const int rc = ::posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        fd_ = out[0];
        if (rc != 0)
            Fail("cannot start " + args[0]);
    }
    ~Child()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    std::string ReadLine()
    {
        std::string line;
        char c;
        while (::read(fd_, &c, 1) == 1 && c != '\n')
            line.push_back(c);
        return line;
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
};

// Counts the engine calls on their way to the engine link.
class CountingEngine final : public client::IClientGUIEngine {
public:
    explicit CountingEngine(client::IClientGUIEngine& inner) : inner_(inner) {}
    size_t calls = 0;

    std::string ExecuteEvent(const std::string& senderClass, const std::string& senderName,
                             const std::string& senderType, const std::string& eventName,
                             const std::string& eventValues) override
    {
        ++calls;
        return inner_.ExecuteEvent(senderClass, senderName, senderType, eventName, eventValues);
    }
    std::string GetFile(const std::string& a, const std::string& b, const std::string& c) override
    {
        return inner_.GetFile(a, b, c);
    }
    std::string SetFile(const std::string& a, const std::string& b, const std::string& c) override
    {
        return inner_.SetFile(a, b, c);
    }
    std::string OnMessage(const std::string& a, const std::string& b) override { return inner_.OnMessage(a, b); }
    std::string GetGUIEngine(const std::string& a, const std::string& b, std::string& c,
                             std::shared_ptr<client::IGUIEngine>& e) override
    {
        return inner_.GetGUIEngine(a, b, c, e);
    }
    std::string SetGUIEngine(const std::string& a, const std::string& b, const std::string& c,
                             std::shared_ptr<client::IGUIEngine> e) override
    {
        return inner_.SetGUIEngine(a, b, c, e);
    }
    std::string CommandGUIEngine(const std::string& a, const std::string& b, const std::string& c,
                                 const std::string& d) override
    {
        return inner_.CommandGUIEngine(a, b, c, d);
    }
    bool Connect() override { return inner_.Connect(); }

private:
    client::IClientGUIEngine& inner_;
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

    char scratchTemplate[] = "/tmp/e3bench.XXXXXX";
    if (!::mkdtemp(scratchTemplate))
        return 2;
    const std::string scratch = scratchTemplate;
    ::setenv("TMPDIR", scratch.c_str(), 1);
    u3::SetExeNameOverride(scratch + "/bench");
    {
        std::ofstream scenario(scratch + "/scenario.txt");
        scenario << "on Main.GetRows\n  rows List1.TempData " << kRows
                 << " = APP-%n>|<Applicant %n>|<%(Filed/Examined/Granted/Refused)>|<%d.00>|<\nend\n";
    }
    Child engineProcess({ProgramFolder() + "/../tools/sample-engine/sample-engine", "--corba", "0", "--scenario",
                         scratch + "/scenario.txt"});
    std::string port;
    for (std::string line; (line = engineProcess.ReadLine()) != "ready";) {
        if (line.empty())
            Fail("the sample engine did not start");
        if (line.rfind("corba ", 0) == 0)
            port = line.substr(6);
    }
    enginelink::TmtdORBClient link("GUIEngine", "inet:127.0.0.1:" + port, true);
    if (!link.Connect())
        Fail("cannot connect to the sample engine");
    CountingEngine engine(link);

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
