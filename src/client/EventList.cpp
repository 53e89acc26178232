#include "client/EventList.h"

#include "client/Client.h"
#include "client/ClientForm.h"
#include "client/ClientSender.h"
#include "client/Globals.h"
#include "framework/Form.h"
#include "u3/StrLib.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QString>

#include <optional>
#include <stdexcept>

namespace client {

using namespace fw;

// The event's published property: the row's handler type, read and bound
// through the list's own handler of that row.
TPropInfo TEventList::EventProperty(const events::EventRow& row, size_t index)
{
    TPropInfo p;
    p.name = row.name;
    p.kind = TypeKind::Method;
    p.eventType = row.type;
    p.get = [index](TObject& o) -> PropValue { return static_cast<TEventList&>(o).handlers_.at(index); };
    p.set = [index, type = row.type](TObject& o, const PropValue& v) {
        const std::any& handler = std::get<std::any>(v);
        if (handler.type() != type->handlerType)
            throw std::bad_any_cast();
        static_cast<TEventList&>(o).handlers_.at(index) = handler;
    };
    return p;
}

std::vector<TPropInfo> TEventList::EventProperties()
{
    std::vector<TPropInfo> properties;
    const auto& table = events::EventTable();
    for (size_t i = 0; i < table.size(); ++i)
        properties.push_back(EventProperty(table[i], i));
    return properties;
}

const TClassInfo& TEventList::StaticClass()
{
    static const TClassInfo info {"TEventList", &TComponent::StaticClass(), TRows<TEventList>(EventProperties())};
    return info;
}

TEventList::TEventList(TComponent* owner)
    : TComponent(owner)
{
    for (const events::EventRow& row : events::EventTable())
        handlers_.push_back(row.makeHandler(*this, row));
}

size_t TEventList::IndexOf(const std::string& eventName)
{
    const auto& table = events::EventTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (SameText(table[i].name, eventName))
            return i;
    throw std::out_of_range("no event " + eventName);
}

// --- the generic sender ---------------------------------------------------------

void TEventList::Dispatch(TObject* sender, const events::EventRow& row, events::EventArguments& args)
{
    for (const events::Entry& entry : row.entries)
        args.Prepare(entry);
    if (row.rules & events::ChangeGuard)
        SendChangeOrExit(sender, row, args);
    else
        Send(sender, row, args);
}

void TEventList::Send(TObject* sender, const events::EventRow& row, events::EventArguments& args)
{
    if (row.rules & events::ActivatesForm)
        ActivateClientForm(sender);
    if (row.rules & events::PumpFirst) {
        Guard<TObject> alive(sender);
        QCoreApplication::processEvents();
        if (!alive)
            return;
    }
    const std::string eventName = row.sentAs ? row.sentAs : row.name;
    IDataListEvents* dataList = nullptr;
    std::optional<TClientSender> s;
    if (row.rules & events::DataList) {
        dataList = dynamic_cast<IDataListEvents*>(sender);
        if (!dataList)
            return;
        s.emplace(TClientSender::CreateForDataList(dataList->DataListComponent(), dataList->DataListEventMap(),
                                                   dataList->DataListEventParams(),
                                                   dataList->DataListEngineName() + "." + eventName));
    } else {
        auto* component = dynamic_cast<TComponent*>(sender);
        if (!component)
            return;
        s.emplace(TClientSender::CreateForControl(component, component->GetName() + "." + eventName));
    }
    if (row.rules & events::NoBusyCursor)
        s->ShowBusyCursor = false;

    std::string shortCut;
    uint16_t* key = nullptr;
    TShiftState shift = 0;
    if ((row.rules & events::KeyFilter) && s->FromEngineForm && args.Key(key, shift)) {
        // The form's own keys (its key preview) pass its key filter.
        auto* form = dynamic_cast<Te3ClientForm*>(sender);
        const std::string filter = form ? form->GetKeyFilter() : std::string();
        const bool matched = MatchShortCut(filter, *key, shift, shortCut);
        if (!filter.empty() && !matched)
            return;
    }

    s->WriteRequest();
    if (row.rules & events::KeyFilter)
        s->WriteEntry("ShortCut", shortCut);
    if (row.rules & events::ScreenResolution) {
        QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->geometry() : QRect();
        s->WriteEntry("Resolution", std::to_string(area.width()) + "x" + std::to_string(area.height()));
    }
    if ((row.rules & events::ColumnWidths) && dataList) {
        const std::vector<int32_t> widths = dataList->GridColumnWidths();
        std::string text = std::to_string(widths.size());
        for (int32_t w : widths)
            text += "," + std::to_string(w);
        s->WriteEntry("ColumnsWidth", text);
    }
    events::EntryContext context {*s, sender, dataList};
    for (const events::Entry& entry : row.entries)
        if (!(entry.flags & events::NotSent))
            args.Write(context, entry);
    s->Execute();
    for (const events::Entry& entry : row.entries)
        if (entry.flags & events::Read)
            args.Read(*s, entry);
}

// --- OnChange and OnExit ----------------------------------------------------

bool TEventList::ChangeDropped(TObject* sender) const
{
    if (ChangeGuard)
        return false;
    // Raised by the reply of the call under way (it runs at the depth where
    // that call began).
    if (TCustomForm::ModalDepth() <= changeDepth_)
        return true;
    // Inside a modal form opened during the call: the user's own events go
    // out, except for a control whose call is still running.
    for (const auto& running : changeCalls_)
        if (running.get() == sender)
            return true;
    return false;
}

void TEventList::SendChangeOrExit(TObject* sender, const events::EventRow& row, events::EventArguments& args)
{
    if (ChangeDropped(sender))
        return;
    const bool savedGuard = ChangeGuard;
    const int savedDepth = changeDepth_;
    ChangeGuard = false;
    changeDepth_ = TCustomForm::ModalDepth();
    changeCalls_.emplace_back(sender);
    auto restore = [&] {
        changeCalls_.pop_back();
        changeDepth_ = savedDepth;
        ChangeGuard = savedGuard;
    };
    try {
        Send(sender, row, args);
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

// --- keys -------------------------------------------------------------------

bool TEventList::MatchShortCut(const std::string& filterText, uint16_t key, TShiftState shift, std::string& shortCut)
{
    if (key > 255)
        return false;
    std::string text;
    switch (key) {
    case 8: text = "Backspace"; break;
    case 9: text = "Tab"; break;
    case 13: text = "Enter"; break;
    case 27: text = "Escape"; break;
    case 32: text = "Space"; break;
    case 33: text = "Page Up"; break;
    case 34: text = "Page Down"; break;
    case 35: text = "End"; break;
    case 36: text = "Home"; break;
    case 37: text = "Left"; break;
    case 38: text = "Up"; break;
    case 39: text = "Right"; break;
    case 40: text = "Down"; break;
    case 45: text = "Insert"; break;
    case 46: text = "Delete"; break;
    default:
        if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
            text = std::string(1, static_cast<char>(key));
        else if (key >= 96 && key <= 105)
            text = std::string(1, static_cast<char>('0' + key - 96));
        else if (key >= 112 && key <= 135)
            text = "F" + std::to_string(key - 111);
        else
            return false;
    }
    // Each prefix goes in front of the text so far: Shift+Ctrl+Alt+F5.
    if (shift & (1u << ssAlt))
        text = "Alt+" + text;
    if (shift & (1u << ssCtrl))
        text = "Ctrl+" + text;
    if (shift & (1u << ssShift))
        text = "Shift+" + text;

    size_t start = 0;
    while (start <= filterText.size()) {
        size_t end = filterText.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = filterText.size();
        if (SameText(filterText.substr(start, end - start), text)) {
            shortCut = text;
            return true;
        }
        if (end < filterText.size() && filterText[end] == '\r' && end + 1 < filterText.size() &&
            filterText[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return false;
}

// --- callbacks and the client's own events ------------------------------------

void TEventList::SendCallbackText(const std::string& callback, const std::string& text)
{
    TClientSender s = TClientSender::CreateForCallback(callback);
    s.WriteRequest();
    s.WriteEntry("ModalResult", text);
    s.Execute();
}

void TEventList::SendModalResult(const std::string& callback, int32_t value)
{
    TClientSender s = TClientSender::Create(callback);
    s.WriteRequest();
    s.WriteEntry("ModalResult", value);
    s.Execute();
}

void TEventList::SendModalResultChecked(const std::string& callback, int32_t value, bool checked)
{
    TClientSender s = TClientSender::Create(callback);
    s.WriteRequest();
    s.WriteEntry("ModalResult", value);
    s.WriteBoolEntry("Checked", checked);
    s.Execute();
}

void TEventList::SendFileDialogResult(const std::string& callback, bool modalResult, const std::string& files,
                                      int32_t filterIndex, int64_t fileSize)
{
    TClientSender s = TClientSender::Create(callback);
    s.WriteRequest();
    s.WriteBoolEntry("ModalResult", modalResult);
    s.WriteEntry("Files", files);
    s.WriteEntry("FilterIndex", filterIndex);
    s.WriteEntry("FileSize", fileSize);
    s.Execute();
}

void TEventList::SendDirectoryResult(const std::string& callback, bool modalResult, const std::string& directory)
{
    TClientSender s = TClientSender::Create(callback);
    s.WriteRequest();
    s.WriteBoolEntry("ModalResult", modalResult);
    s.WriteEntry("Directory", directory);
    s.Execute();
}

void TEventList::SendFilesSize(const std::string& callback, int32_t size)
{
    TClientSender s = TClientSender::Create(callback);
    s.WriteRequest();
    s.WriteEntry("FilesSize", size);
    s.Execute();
}

std::string TEventList::GetDictionaryWord(const std::string& key, const std::string& defaultText)
{
    return client::GetDictionaryWord(key, defaultText);
}

void TEventList::ForwardClientMessage(const std::string& nameEngine, const std::string& uid, int32_t localID,
                                      const std::string& mid, const std::string& mString, const std::string& mType)
{
    TClientSender s = TClientSender::CreateForClient("Client.OnMessage");
    s.WriteRequest();
    s.WriteEntry("NameEngine", nameEngine);
    s.WriteEntry("UID", uid);
    s.WriteEntry("LocalID", localID);
    s.WriteEntry("MID", mid);
    s.WriteEntry("MString", mString);
    s.WriteEntry("MType", mType);
    s.Execute();
}

void TEventList::ActivateClientForm(TObject* sender)
{
    auto* form = dynamic_cast<Te3_ClientForm*>(sender);
    TClient* c = Client();
    if (form && c)
        c->SetCurrentForm(form);
}

} // namespace client
