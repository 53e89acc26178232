// Applying an engine reply must stay linear in its entries: a reply of one
// entry per control (EditN.Text) is applied to a form of N edits through
// TClientSender::ApplyReply. Prints the time per entry at 5,000 and at 500
// controls and their ratio, for the first reply after the form was built (every
// name looked up for the first time) and for later replies; the peer is a plain
// loop that sets the same texts on the same edits directly.
#include "client/Client.h"
#include "client/ClientForm.h"
#include "client/ClientSender.h"
#include "client/FormReader.h"
#include "client/Globals.h"
#include "client/MemoryTextStream.h"
#include "e3/edits/Edit.h"
#include "framework/Component.h"
#include "u3/Files.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void Line(std::string& out, const std::string& line)
{
    out += line;
    out += "\r\n";
}

std::string Description(int count)
{
    std::string d;
    for (const char* head : {"FORM", "[", "0", "Te3_ClientForm", "Parent", "NIL", "NAME", "FormMain", "]"})
        Line(d, head);
    for (int i = 1; i <= count; ++i) {
        for (const char* head : {"[", "0", "Te3_Edit", "Parent", "FormMain", "NAME"})
            Line(d, head);
        Line(d, "Edit" + std::to_string(i));
        Line(d, "TOP");
        Line(d, std::to_string(i * 24));
        Line(d, "]");
    }
    for (const char* tail : {"}", "0", "{", "}", "0", "{", "}"})
        Line(d, tail);
    return d;
}

std::string Value(int round, int i)
{
    return "r" + std::to_string(round) + " value " + std::to_string(i);
}

std::string Reply(int count, int round)
{
    std::string r;
    Line(r, "{");
    Line(r, ";");
    for (int i = 1; i <= count; ++i) {
        Line(r, "Edit" + std::to_string(i) + ".Text");
        Line(r, Value(round, i));
        Line(r, ";");
    }
    Line(r, "}");
    return r;
}

double Ms(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
    double cold = 1e300, warm = 1e300, direct = 1e300;
};

void Fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::exit(2);
}

// One fresh form: the first reply, then warm replies, then the direct peer.
void MeasureOnce(int count, int& round, Figures& best)
{
    client::TMemoryTextStream description(Description(count));
    auto* form = dynamic_cast<client::Te3_ClientForm*>(client::LoadFormDescription(description));
    if (!form || static_cast<int>(form->OwnedComponents().size()) != count)
        Fail("form not built");
    client::Client()->SetCurrentForm(form);
    std::vector<e3::Te3_Edit*> edits;
    for (fw::TComponent* c : form->OwnedComponents())
        edits.push_back(dynamic_cast<e3::Te3_Edit*>(c));

    auto apply = [&] {
        ++round;
        client::TMemoryTextStream reply(Reply(count, round));
        auto sender = client::TClientSender::CreateForClient("Bench");
        const auto start = Clock::now();
        sender.ApplyReply(reply);
        const double ms = Ms(start);
        if (edits.back()->GetText() != Value(round, count) || edits.front()->GetText() != Value(round, 1))
            Fail("reply not applied");
        return ms;
    };
    best.cold = std::min(best.cold, apply());
    for (int i = 0; i < 3; ++i)
        best.warm = std::min(best.warm, apply());

    ++round;
    std::vector<std::string> values;
    for (int i = 1; i <= count; ++i)
        values.push_back(Value(round, i));
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i)
        edits[static_cast<size_t>(i)]->SetText(values[static_cast<size_t>(i)]);
    best.direct = std::min(best.direct, Ms(start));

    client::Client()->SetCurrentForm(nullptr);
    delete form;
    fw::TComponent::DeleteReleased();
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    char scratch[] = "/tmp/e3bench.XXXXXX";
    if (!::mkdtemp(scratch))
        return 2;
    ::setenv("TMPDIR", scratch, 1);
    u3::SetExeNameOverride(std::string(scratch) + "/bench");
    auto theClient = std::make_unique<client::TClient>("Bench");
    client::SetClient(theClient.get());

    // Sizes alternate so that a change in machine load hits both alike; the
    // best of each figure counts.
    Figures small, large;
    int round = 0;
    for (int i = 0; i < 5; ++i) {
        MeasureOnce(500, round, small);
        MeasureOnce(5000, round, large);
    }

    auto perEntry = [](double ms, int n) { return ms * 1000 / n; };
    const double coldRatio = perEntry(large.cold, 5000) / perEntry(small.cold, 500);
    const double warmRatio = perEntry(large.warm, 5000) / perEntry(small.warm, 500);
    std::printf("ApplyReply, first reply:  500 %.2f us/entry   5,000 %.2f us/entry   ratio %.2f (target <= 1.5)\n",
                perEntry(small.cold, 500), perEntry(large.cold, 5000), coldRatio);
    std::printf("ApplyReply, later reply:  500 %.2f us/entry   5,000 %.2f us/entry   ratio %.2f (target <= 1.5)\n",
                perEntry(small.warm, 500), perEntry(large.warm, 5000), warmRatio);
    std::printf("peer SetText loop:        500 %.2f us/entry   5,000 %.2f us/entry   ratio %.2f\n",
                perEntry(small.direct, 500), perEntry(large.direct, 5000),
                perEntry(large.direct, 5000) / perEntry(small.direct, 500));
    std::printf("ApplyReply / peer at 5,000 (later reply): %.2f\n", large.warm / large.direct);

    client::SetClient(nullptr);
    theClient.reset();
    fw::TComponent::DeleteReleased();
    u3::SetExeNameOverride("");
    u3::DeleteDirectoryTree(scratch, true);
    return coldRatio <= 1.5 && warmRatio <= 1.5 ? 0 : 1;
}
