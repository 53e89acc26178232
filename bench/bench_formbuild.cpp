// Building a form from the engine's description against Qt's own form loader.
// One generated list of edits on one form becomes both a description text in
// our line grammar and a Designer .ui file of the same widgets (QLineEdit on a
// QWidget, same geometry, texts and parents). Each side is loaded from memory
// and shown until its window is exposed on the offscreen platform. Prints both
// times at 1,000 controls and their ratio, and our time per control at 10,000
// against 1,000 (a form ten times larger may not cost much more per control);
// then a form of 1,000 controls of every family against the nearest Qt
// widgets. Times are the thread's processor time.
#include "client/Client.h"
#include "client/ClientForm.h"
#include "client/FormReader.h"
#include "client/Globals.h"
#include "client/MemoryTextStream.h"
#include "framework/Component.h"
#include "u3/Files.h"

#include <QApplication>
#include <QBuffer>
#include <QUiLoader>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// One kind of control and its Qt counterpart: the class in our description
// and the property that takes its text (none: no text), the Qt class(es) in
// the .ui file and their text property. The code and text combo box stands
// for two widgets, its code edit and its list.
struct Family {
    const char* ours;
    const char* ourText;
    std::vector<const char*> qt;
    const char* qtText;
};

const Family kEdit {"Te3_Edit", "TEXT", {"QLineEdit"}, "text"};

// Every family a form can hold without an engine behind it.
const std::vector<Family> kFamilies {
    kEdit,
    {"Te3_Label", "CAPTION", {"QLabel"}, "text"},
    {"Te3_UnicodeEdit", "TEXT", {"QLineEdit"}, "text"},
    {"Te3_UnicodeLabel", "CAPTION", {"QLabel"}, "text"},
    {"Te3_Memo", nullptr, {"QPlainTextEdit"}, nullptr},
    {"Te3_CheckBox", "CAPTION", {"QCheckBox"}, "text"},
    {"Te3_RadioButton", "CAPTION", {"QRadioButton"}, "text"},
    {"Te3_SpeedButton", "CAPTION", {"QToolButton"}, "text"},
    {"Te3_ComboBox", nullptr, {"QComboBox"}, nullptr},
    {"Te3_CComboBox", nullptr, {"QLineEdit", "QComboBox"}, nullptr},
    {"Te3_ListBox", nullptr, {"QListWidget"}, nullptr},
    {"Te3_CheckListBox", nullptr, {"QListWidget"}, nullptr},
    {"Te3_GroupBox", "CAPTION", {"QGroupBox"}, "title"},
    {"Te3_RadioGroup", "CAPTION", {"QGroupBox"}, "title"},
    {"Te3_Panel", nullptr, {"QFrame"}, nullptr},
    {"Te3_ScrollBox", nullptr, {"QScrollArea"}, nullptr},
    {"Te3_CheckScrollBox", nullptr, {"QScrollArea"}, nullptr},
    {"Te3_Bevel", nullptr, {"QFrame"}, nullptr},
    {"Te3_Image", nullptr, {"QLabel"}, nullptr},
    {"Te3_Gauge", nullptr, {"QProgressBar"}, nullptr},
    {"Te3_DateEdit", nullptr, {"QDateEdit"}, nullptr},
    {"Te3_RegNoEdit", nullptr, {"QLineEdit"}, nullptr},
    {"Te3_PageControl", nullptr, {"QTabWidget"}, nullptr},
    {"Te3_Notebook", nullptr, {"QStackedWidget"}, nullptr},
    {"Te3_SplitterPanel", nullptr, {"QSplitter"}, nullptr},
    {"Te3_TreeView", nullptr, {"QTreeWidget"}, nullptr},
};

struct ControlPlan {
    const Family* family;
    std::string name;
    int left, top, width, height;
    std::string text;
};

struct FormPlan {
    std::string name = "FormMain";
    std::string caption = "Orders";
    int width = 0, height = 0;
    std::vector<ControlPlan> controls;
};

// A grid of edits, forty to a column; every seventh one is empty and some texts
// hold characters that either format must escape.
FormPlan MakeForm(int count, bool mixed = false)
{
    FormPlan form;
    const int perColumn = 40;
    for (int i = 0; i < count; ++i) {
        ControlPlan c;
        c.family = mixed ? &kFamilies[static_cast<size_t>(i) % kFamilies.size()] : &kEdit;
        c.name = "C" + std::to_string(i + 1);
        c.left = 8 + (i / perColumn) * 130;
        c.top = 8 + (i % perColumn) * 24;
        c.width = 121;
        c.height = 21;
        if (c.family->ourText && i % 7 != 6)
            c.text = i % 5 == 4 ? "A&B <" + std::to_string(i) + ">" : "Value " + std::to_string(i);
        form.width = std::max(form.width, c.left + c.width + 8);
        form.height = std::max(form.height, c.top + c.height + 8);
        form.controls.push_back(std::move(c));
    }
    return form;
}

void Line(std::string& out, const std::string& line)
{
    out += line;
    out += "\r\n";
}

std::string Field(const std::string& text)
{
    return text.empty() ? "snil" : text;
}

std::string Description(const FormPlan& form)
{
    std::string d;
    Line(d, "FORM");
    Line(d, "[");
    Line(d, "0");
    Line(d, "Te3_ClientForm");
    Line(d, "Parent");
    Line(d, "NIL");
    Line(d, "NAME");
    Line(d, form.name);
    Line(d, "CAPTION");
    Line(d, form.caption);
    Line(d, "CLIENTWIDTH");
    Line(d, std::to_string(form.width));
    Line(d, "CLIENTHEIGHT");
    Line(d, std::to_string(form.height));
    Line(d, "]");
    for (const ControlPlan& c : form.controls) {
        Line(d, "[");
        Line(d, "0");
        Line(d, c.family->ours);
        Line(d, "Parent");
        Line(d, form.name);
        Line(d, "NAME");
        Line(d, c.name);
        Line(d, "LEFT");
        Line(d, std::to_string(c.left));
        Line(d, "TOP");
        Line(d, std::to_string(c.top));
        Line(d, "WIDTH");
        Line(d, std::to_string(c.width));
        Line(d, "HEIGHT");
        Line(d, std::to_string(c.height));
        if (c.family->ourText) {
            Line(d, c.family->ourText);
            Line(d, Field(c.text));
        }
        Line(d, "]");
    }
    for (const char* tail : {"}", "0", "{", "}", "0", "{", "}"})
        Line(d, tail);
    return d;
}

std::string Xml(const std::string& text)
{
    std::string out;
    for (char ch : text) {
        switch (ch) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += ch;
        }
    }
    return out;
}

std::string Geometry(int x, int y, int w, int h)
{
    return "<property name=\"geometry\"><rect><x>" + std::to_string(x) + "</x><y>" + std::to_string(y) +
           "</y><width>" + std::to_string(w) + "</width><height>" + std::to_string(h) +
           "</height></rect></property>\n";
}

std::string UiFile(const FormPlan& form)
{
    std::string u = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ui version=\"4.0\">\n<class>" + form.name +
                    "</class>\n<widget class=\"QWidget\" name=\"" + form.name + "\">\n" +
                    Geometry(0, 0, form.width, form.height) + "<property name=\"windowTitle\"><string>" +
                    Xml(form.caption) + "</string></property>\n";
    for (const ControlPlan& c : form.controls) {
        // A pair shares the place as the code and text combo box does: the
        // code edit in front of the list.
        const int parts = static_cast<int>(c.family->qt.size());
        for (int k = 0; k < parts; ++k) {
            const int width = c.width / parts;
            u += std::string("<widget class=\"") + c.family->qt[static_cast<size_t>(k)] + "\" name=\"" + c.name + "_" +
                 std::to_string(k) + "\">\n" + Geometry(c.left + k * width, c.top, width, c.height);
            if (c.family->qtText && !c.text.empty())
                u += std::string("<property name=\"") + c.family->qtText + "\"><string>" + Xml(c.text) +
                     "</string></property>\n";
            u += "</widget>\n";
        }
    }
    u += "</widget>\n<resources/>\n<connections/>\n</ui>\n";
    return u;
}

// How many widgets the .ui form of this plan holds directly.
int QtWidgets(const FormPlan& form)
{
    int n = 0;
    for (const ControlPlan& c : form.controls)
        n += static_cast<int>(c.family->qt.size());
    return n;
}

void WaitExposed(QWidget* w)
{
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (!(w->windowHandle() && w->windowHandle()->isExposed())) {
        if (Clock::now() > deadline) {
            std::fprintf(stderr, "window never exposed\n");
            std::exit(2);
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

void Settle()
{
    fw::TComponent::DeleteReleased();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Processor time of this thread: everything here, the first paint included,
// runs on it, and on a loaded machine the time it waits for a processor is
// left out for both sides.
timespec CpuNow()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now;
}

double Ms(const timespec& start)
{
    const timespec end = CpuNow();
    return double(end.tv_sec - start.tv_sec) * 1e3 + double(end.tv_nsec - start.tv_nsec) * 1e-6;
}

double OursOnce(const std::string& text, std::size_t expected)
{
    const timespec start = CpuNow();
    client::TMemoryTextStream stream(text);
    fw::TComponent* root = client::LoadFormDescription(stream);
    auto* form = dynamic_cast<client::Te3_ClientForm*>(root);
    if (!form || form->OwnedComponents().size() != expected) {
        std::fprintf(stderr, "our form was not built as described\n");
        std::exit(2);
    }
    form->Show();
    WaitExposed(form->Widget());
    const double ms = Ms(start);
    delete form;
    Settle();
    return ms;
}

double QtOnce(QUiLoader& loader, const QByteArray& ui, int expected)
{
    const timespec start = CpuNow();
    QBuffer buffer;
    buffer.setData(ui);
    buffer.open(QIODevice::ReadOnly);
    std::unique_ptr<QWidget> w(loader.load(&buffer));
    if (!w || w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size() != expected) {
        std::fprintf(stderr, "the .ui form was not built as described\n");
        std::exit(2);
    }
    w->show();
    WaitExposed(w.get());
    const double ms = Ms(start);
    w.reset();
    Settle();
    return ms;
}

QtMessageHandler previousHandler = nullptr;

// The offscreen platform says on every show that it cannot raise a window;
// the figures stay readable without it.
void QuietRaise(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (!text.contains(QLatin1String("does not support raise()")) && previousHandler)
        previousHandler(type, context, text);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler = qInstallMessageHandler(QuietRaise);
    QApplication app(argc, argv);

    // The client object gives the reader its current form; its folders and
    // the log go to a scratch folder.
    char scratch[] = "/tmp/e3bench.XXXXXX";
    if (!::mkdtemp(scratch))
        return 2;
    ::setenv("TMPDIR", scratch, 1);
    u3::SetExeNameOverride(std::string(scratch) + "/bench");
    auto theClient = std::make_unique<client::TClient>("Bench");
    client::SetClient(theClient.get());

    const FormPlan small = MakeForm(1000);
    const FormPlan large = MakeForm(10000);
    const std::string ourSmall = Description(small), ourLarge = Description(large);
    const QByteArray qtSmall = QByteArray::fromStdString(UiFile(small));
    const QByteArray qtLarge = QByteArray::fromStdString(UiFile(large));
    QUiLoader loader;

    // "--ours N" or "--qt N": builds that side's form of N edits once after
    // a small warm-up, for a profiler, and prints nothing; "--ours-mixed N"
    // and "--qt-mixed N" the same with controls of every family.
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode == "--ours" || mode == "--qt" || mode == "--ours-mixed" || mode == "--qt-mixed") {
        const bool ours = mode.rfind("--ours", 0) == 0, mixedMode = mode.find("mixed") != std::string::npos;
        const FormPlan warm = MakeForm(10, mixedMode), form = MakeForm(std::atoi(argv[2]), mixedMode);
        for (const FormPlan* f : {&warm, &form}) {
            if (ours)
                OursOnce(Description(*f), f->controls.size());
            else
                QtOnce(loader, QByteArray::fromStdString(UiFile(*f)), QtWidgets(*f));
        }
        client::SetClient(nullptr);
        theClient.reset();
        Settle();
        u3::SetExeNameOverride("");
        u3::DeleteDirectoryTree(scratch, true);
        return 0;
    }

    // Rounds alternate between the two sides and sizes so that a change in
    // machine load hits all alike; the best of each figure counts. The first
    // round warms caches and fonts and is not counted.
    const FormPlan mixed = MakeForm(1000, true);
    const std::string ourMixed = Description(mixed);
    const QByteArray qtMixed = QByteArray::fromStdString(UiFile(mixed));
    double ours1k = 1e300, qt1k = 1e300, ours10k = 1e300, qt10k = 1e300, oursMixed = 1e300, qtMixed1k = 1e300;
    for (int round = 0; round < 6; ++round) {
        const double a = OursOnce(ourSmall, small.controls.size());
        const double b = QtOnce(loader, qtSmall, QtWidgets(small));
        const double m = OursOnce(ourMixed, mixed.controls.size());
        const double n = QtOnce(loader, qtMixed, QtWidgets(mixed));
        double c = 1e300, d = 1e300;
        if (round % 2 == 1) {
            c = OursOnce(ourLarge, large.controls.size());
            d = QtOnce(loader, qtLarge, QtWidgets(large));
        }
        if (round == 0)
            continue;
        ours1k = std::min(ours1k, a);
        qt1k = std::min(qt1k, b);
        ours10k = std::min(ours10k, c);
        qt10k = std::min(qt10k, d);
        oursMixed = std::min(oursMixed, m);
        qtMixed1k = std::min(qtMixed1k, n);
    }

    const double ratio = ours1k / qt1k;
    const double perControl1k = ours1k / 1000, perControl10k = ours10k / 10000;
    const double growth = perControl10k / perControl1k;
    std::printf("form build + show, 1,000 edits:  ours %8.2f ms   QUiLoader %8.2f ms   ratio %.2f (target <= 1.0)\n",
                ours1k, qt1k, ratio);
    std::printf("form build + show, 10,000 edits: ours %8.2f ms   QUiLoader %8.2f ms   ratio %.2f\n", ours10k, qt10k,
                ours10k / qt10k);
    const double mixedRatio = oursMixed / qtMixed1k;
    std::printf("form build + show, 1,000 controls of %zu families: ours %8.2f ms   QUiLoader %8.2f ms   ratio %.2f "
                "(target <= 1.0)\n",
                kFamilies.size(), oursMixed, qtMixed1k, mixedRatio);
    std::printf("ours per control: 1,000 %.2f us   10,000 %.2f us   ratio %.2f (target <= 1.3)\n",
                perControl1k * 1000, perControl10k * 1000, growth);
    std::printf("QUiLoader per control: 1,000 %.2f us   10,000 %.2f us   ratio %.2f\n", qt1k / 1000 * 1000,
                qt10k / 10000 * 1000, (qt10k / 10000) / (qt1k / 1000));

    client::SetClient(nullptr);
    theClient.reset();
    Settle();
    u3::SetExeNameOverride("");
    u3::DeleteDirectoryTree(scratch, true);
    return ratio <= 1.0 && mixedRatio <= 1.0 && growth <= 1.3 ? 0 : 1;
}
