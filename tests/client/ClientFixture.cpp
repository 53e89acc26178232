#include "ClientFixture.h"

#include "client/FormReader.h"

namespace e3test {

using namespace fw;

const TClassInfo& TTestEdit::StaticClass()
{
    static const TClassInfo info {
        "TTestEdit",
        &TWinControl::StaticClass(),
        fw::TRows<TTestEdit> {
            std_props::Text(),
            std_props::Caption(),
            std_props::Enabled(),
            std_props::Visible(),
            std_props::Align(),
            std_props::Font(),
            std_props::TabOrder(),
            std_props::Parent(),
            prop::Boolean("Checked", &TTestEdit::GetChecked, &TTestEdit::SetChecked),
            prop::Integer("Count", &TTestEdit::GetCount, &TTestEdit::SetCount),
            std_props::OnClick(),
            prop::Event("OnChange", NotifyEventType, &TTestEdit::OnChange),
        },
        MakeFactory<TTestEdit>(),
    };
    return info;
}

const TClassInfo& TTestEventList::StaticClass()
{
    static const TClassInfo info {
        "TTestEventList",
        &TComponent::StaticClass(),
        fw::TRows<TTestEventList> {
            prop::Event("OnClick", NotifyEventType, &TTestEventList::OnClick),
            prop::Event("OnChange", NotifyEventType, &TTestEventList::OnChange),
        },
    };
    return info;
}

TTestEventList::TTestEventList()
    : TComponent(nullptr)
{
    OnClick = [this](TObject* s) { DoClick(s); };
    OnChange = [this](TObject* s) { DoChange(s); };
}

void TTestEventList::DoClick(TObject* sender)
{
    auto* c = dynamic_cast<TComponent*>(sender);
    auto s = client::TClientSender::CreateForControl(c, c->GetName() + ".OnClick");
    s.WriteRequest();
    s.Execute();
}

void TTestEventList::DoChange(TObject* sender)
{
    auto* c = dynamic_cast<TComponent*>(sender);
    auto s = client::TClientSender::CreateForControl(c, c->GetName() + ".OnChange");
    s.WriteRequest();
    s.Execute();
}

std::string Lines(const std::string& barSeparated)
{
    // Lines are separated by " | ", so that "||" can stand inside a line.
    std::string out;
    size_t start = 0;
    while (true) {
        size_t bar = barSeparated.find(" | ", start);
        out += barSeparated.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        out += "\r\n";
        if (bar == std::string::npos)
            break;
        start = bar + 3;
    }
    return out;
}

void ClientFixture::SetUp()
{
    u3::SetExeNameOverride(dir.str() + "/front");
    client::RegisterClass(TTestEdit::StaticClass());
    engine = std::make_unique<ScriptedEngine>();
    theClient = std::make_unique<client::TClient>("Test");
    theClient->SetEngine(engine.get());
    client::SetClient(theClient.get());
    eventList = std::make_unique<TTestEventList>();
    client::SetEventListObject(eventList.get());
}

void ClientFixture::TearDown()
{
    client::SetEventListObject(nullptr);
    theClient.reset();
    client::SetClient(nullptr);
    eventList.reset();
    TComponent::DeleteReleased();
    u3::SetExeNameOverride("");
}

client::TClientSender ClientFixture::ApplyLines(const std::string& lines)
{
    auto sender = client::TClientSender::CreateForClient("Test");
    client::TMemoryTextStream reply(Lines(lines));
    sender.ApplyReply(reply);
    return sender;
}

TComponent* ClientFixture::LoadLines(const std::string& lines)
{
    client::TMemoryTextStream stream(Lines(lines));
    return client::LoadFormDescription(stream);
}

std::vector<std::string> ClientFixture::ClientErrors() const
{
    std::vector<std::string> out;
    for (const auto& call : engine->CallsOf("OnMessage"))
        if (call.args.at(0) == "ClientError")
            out.push_back(call.args.at(1));
    return out;
}

std::string ClientFixture::SoapLog() const
{
    return ReadWholeFile(dir.str() + "/front_SOAP.log");
}

} // namespace e3test
