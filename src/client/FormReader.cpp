#include "client/FormReader.h"

#include "client/ClassRegistry.h"
#include "client/Client.h"
#include "client/ClientForm.h"
#include "client/ClientSender.h"
#include "client/Globals.h"
#include "e3/common/EngineImages.h"
#include "e3/common/NamedPages.h"
#include "e3/common/PathItems.h"
#include "u3/Exceptions.h"
#include "e3/menus/Menus.h"
#include "framework/Collection.h"
#include "framework/Form.h"
#include "framework/Strings.h"
#include "u3/DateTime.h"
#include "u3/Logger.h"
#include "u3/StrLib.h"
#include "u3/UserMessages.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <typeinfo>

namespace client {

using fw::Guard;
using fw::TComponent;
using fw::TObject;
using fw::TPropInfo;
using fw::TypeKind;
using fw::UpperCase;

namespace {

// A value the property cannot take: logged, never raised.
class EValueConversion : public u3::EConvertError {
public:
    using u3::EConvertError::EConvertError;
};

bool IsEngineContainer(TObject* o)
{
    return dynamic_cast<Te3ClientForm*>(o) || dynamic_cast<Te3ClientFrame*>(o);
}

bool ParseInt64(const std::string& text, int64_t& value)
{
    return u3::TryStrToInt64(u3::Trim(text), value);
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string SetToText(const fw::TEnumType& type, int64_t bits)
{
    std::string out;
    for (int i = 0; i < type.Count() && i < 63; ++i)
        if (bits & (int64_t {1} << i)) {
            if (!out.empty())
                out += ",";
            out += type.names[static_cast<size_t>(i)];
        }
    return out;
}

int64_t TextToSet(const fw::TEnumType& type, const std::string& text, const std::string& value)
{
    std::string t = text;
    if (!t.empty() && t.front() == '[')
        t.erase(t.begin());
    if (!t.empty() && t.back() == ']')
        t.pop_back();
    int64_t bits = 0;
    size_t start = 0;
    while (start <= t.size()) {
        size_t comma = t.find(',', start);
        std::string name = t.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        while (!name.empty() && name.front() == ' ')
            name.erase(name.begin());
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        if (!name.empty()) {
            const int ordinal = type.OrdinalOf(name);
            if (ordinal < 0)
                throw EValueConversion("Invalid property value " + value);
            bits |= int64_t {1} << ordinal;
        }
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return bits;
}

// The text converted for the property's kind, as the engine writes values.
fw::PropValue ConvertValue(const TPropInfo& prop, const std::string& value)
{
    switch (prop.kind) {
    case TypeKind::Boolean: {
        if (value == "0")
            return int64_t {0};
        if (value == "1")
            return int64_t {1};
        const std::string lower = Lower(value);
        if (lower == "true")
            return int64_t {1};
        if (lower == "false")
            return int64_t {0};
        throw EValueConversion("Invalid property value " + value);
    }
    case TypeKind::Char: {
        if (value.empty())
            return int64_t {0};
        int64_t code = 0;
        if (ParseInt64(value, code) && (code >= 32 || code <= 0))
            return code;
        return static_cast<int64_t>(static_cast<unsigned char>(value[0]));
    }
    case TypeKind::Enumeration: {
        if (value.empty())
            return int64_t {0};
        int64_t ordinal = 0;
        if (!ParseInt64(value, ordinal)) {
            ordinal = prop.enumType ? prop.enumType->OrdinalOf(value) : -1;
            if (ordinal < 0)
                throw EValueConversion("Invalid property value " + value);
        }
        // An ordinal the type does not have would be garbage in the control.
        if (prop.enumType && (ordinal < 0 || ordinal >= prop.enumType->Count()))
            throw EValueConversion("Invalid property value " + value);
        return ordinal;
    }
    case TypeKind::Set: {
        if (value.empty())
            return int64_t {0};
        int64_t bits = 0;
        if (ParseInt64(value, bits)) {
            const int count = prop.enumType ? prop.enumType->Count() : 0;
            if (bits < 0 || (count < 63 && bits >= (int64_t {1} << count)))
                throw EValueConversion("Invalid property value " + value);
            return bits;
        }
        return TextToSet(*prop.enumType, value, value);
    }
    case TypeKind::Integer: {
        int64_t v = 0;
        if (!ParseInt64(value, v))
            throw EValueConversion("'" + value + "' is not a valid integer value");
        // A 32-bit property takes the low 32 bits of an unsigned hexadecimal
        // colour, but no number outside its range.
        if (v > INT32_MAX && v <= static_cast<int64_t>(UINT32_MAX))
            v = static_cast<int32_t>(static_cast<uint32_t>(v));
        if (v < INT32_MIN || v > INT32_MAX)
            throw EValueConversion("'" + value + "' is not a valid integer value");
        return v;
    }
    case TypeKind::Int64: {
        int64_t v = 0;
        if (!ParseInt64(value, v))
            throw EValueConversion("'" + value + "' is not a valid integer value");
        return v;
    }
    case TypeKind::Float: {
        try {
            const double d = u3::TextToFloat(value);
            return std::isfinite(d) ? d : 0.0;
        } catch (const u3::Exception&) {
            return 0.0;
        }
    }
    case TypeKind::String:
        return value;
    default:
        throw EValueConversion("Invalid property value " + value);
    }
}

std::string ValueToText(const TPropInfo& prop, const fw::PropValue& v)
{
    switch (prop.kind) {
    case TypeKind::Boolean:
        return std::get<int64_t>(v) ? "true" : "false";
    case TypeKind::Enumeration: {
        const int64_t ordinal = std::get<int64_t>(v);
        if (prop.enumType && ordinal >= 0 && ordinal < prop.enumType->Count())
            return prop.enumType->names[static_cast<size_t>(ordinal)];
        return std::to_string(ordinal);
    }
    case TypeKind::Set:
        return prop.enumType ? SetToText(*prop.enumType, std::get<int64_t>(v)) : std::to_string(std::get<int64_t>(v));
    case TypeKind::Char: {
        const int64_t code = std::get<int64_t>(v);
        return code > 0 && code < 256 ? std::string(1, static_cast<char>(code)) : std::string();
    }
    case TypeKind::Integer:
    case TypeKind::Int64:
        return std::to_string(std::get<int64_t>(v));
    case TypeKind::Float:
        return u3::FloatToDotText(std::get<double>(v));
    case TypeKind::String:
        return std::get<std::string>(v);
    default:
        return {};
    }
}

// One step of a path and the rest after it: "A.B" -> ("A", "B"), "[2].W" ->
// ("[2]", "W"), "A[2].W" -> ("A", "[2].W").
std::pair<std::string, std::string> NextStep(const std::string& path)
{
    if (!path.empty() && path[0] == '[') {
        size_t close = path.find(']');
        if (close == std::string::npos)
            return {path, std::string()};
        std::string rest = path.substr(close + 1);
        if (!rest.empty() && rest[0] == '.')
            rest.erase(rest.begin());
        return {path.substr(0, close + 1), rest};
    }
    return SplitPath(path);
}

bool IsComponentName(const std::string& upperStep)
{
    return upperStep == "ACTIVEPAGE" || upperStep == "CONTROLFIRST" || upperStep == "CONTROLSECOND";
}

TComponent* CurrentRoot()
{
    TClient* c = Client();
    return c ? c->CurrentForm() : nullptr;
}

// A step that is no published property names a child inside an engine form or
// frame (for setting, inside any form).
TObject* ChildByStep(TObject* object, const std::string& step, bool forSetting)
{
    auto* component = dynamic_cast<TComponent*>(object);
    if (!component)
        return nullptr;
    const bool container = IsEngineContainer(object) || (forSetting && dynamic_cast<fw::TCustomForm*>(object));
    if (!container)
        return nullptr;
    return FindComponentByName(component, step, false);
}

void LogConversionFault(const std::string& value, const std::string& path, TObject* object)
{
    auto* control = dynamic_cast<fw::TControl*>(object);
    u3::AppendSoapLog(u3::DateToDottedText(u3::Now()) + ": Cann't set value " + value + " of property " + path +
                          " for object " + (control ? control->GetName() : std::string()),
                      "");
}

// The decimal number of an item step "[i]".
bool ParseItemIndex(const std::string& step, int32_t& index)
{
    if (step.size() < 3 || step.back() != ']')
        return false;
    const char* first = step.data() + 1;
    const char* last = step.data() + step.size() - 1;
    const auto [end, error] = std::from_chars(first, last, index);
    return error == std::errc() && end == last;
}

enum class WalkPurpose { Set, Get, Bind, Probe };

struct WalkEnd {
    TObject* object = nullptr;
    const TPropInfo* prop = nullptr; // nullptr: the path ended in no property
    std::string step;                // upper-cased last step
};

// Walks to the last step of path. A step that names nothing ends the walk
// with no object: setting, binding and reading then do nothing. Only a
// position outside a collection raises (the collection's own error).
WalkEnd Walk(TObject* object, const std::string& path, WalkPurpose purpose)
{
    std::string rest = UpperCase(path);
    TObject* current = object;
    for (int guard = 0; current && guard < 64; ++guard) {
        auto [step, after] = NextStep(rest);
        if (step.empty())
            break;
        if (step[0] == '[') {
            // An item of a collection; the walk goes on in the item.
            auto* collection = dynamic_cast<fw::TCollection*>(current);
            auto* items = collection ? nullptr : dynamic_cast<e3::IPathItems*>(current);
            int32_t index = 0;
            if ((!collection && !items) || !ParseItemIndex(step, index))
                return {};
            const bool strict = purpose == WalkPurpose::Set || purpose == WalkPurpose::Bind;
            if (strict) {
                // A collection that refuses the index (a grid's columns past
                // their bound) is reported to the engine.
                try {
                    current = collection ? collection->ItemAtPath(index) : items->PathItem(index);
                } catch (const fw::EListError& e) {
                    ReportClientError(std::string(e.what()) + " in " + path);
                    throw;
                } catch (const u3::EListError& e) {
                    ReportClientError(std::string(e.what()) + " in " + path);
                    throw;
                }
            } else {
                try {
                    current = collection ? collection->ItemAtPath(index) : items->PathItem(index);
                } catch (const fw::EListError&) {
                    return {};
                } catch (const u3::EListError&) {
                    return {};
                }
            }
            if (after.empty())
                return {current, nullptr, step};
            rest = after;
            continue;
        }
        const TPropInfo* prop = current->ClassType().FindProperty(step);
        if (after.empty())
            return {current, prop, step};
        if (prop && prop->kind == TypeKind::Class && prop->IsReadable()) {
            TObject* inner = std::get<TObject*>(prop->get(*current));
            if (!inner) {
                // An empty object property takes the component the value names.
                return {current, prop, step};
            }
            current = inner;
        } else if (!prop) {
            TObject* child = ChildByStep(current, step, purpose == WalkPurpose::Set || purpose == WalkPurpose::Bind);
            if (!child)
                return {};
            current = child;
        } else {
            return {};
        }
        rest = after;
    }
    return {};
}

TPropInfo const* EventListProperty(const std::string& name)
{
    TComponent* list = EventListObject();
    if (!list)
        throw fw::EPropertyError("Unknown property " + name);
    const TPropInfo* p = list->ClassType().FindProperty(name);
    if (!p || p->kind != TypeKind::Method)
        throw fw::EPropertyError("Unknown property " + name);
    return p;
}

// GLYPH and PICTURE as last step name an engine picture for a control that
// shows one; true when the step was taken that way.
bool SetEnginePicture(const WalkEnd& end, const std::string& value)
{
    TClient* client = Client();
    if (end.step == "GLYPH") {
        if (auto* holder = dynamic_cast<e3::IGlyphHolder*>(end.object)) {
            holder->AssignGlyph(client ? client->GetImage(value) : QImage());
            return true;
        }
    } else if (end.step == "PICTURE") {
        if (auto* holder = dynamic_cast<e3::IPictureHolder*>(end.object)) {
            try {
                holder->AssignPicture(client ? client->GetImage(value) : QImage());
            } catch (const std::exception&) {
                // A picture that cannot be taken leaves the old one.
            }
            return true;
        }
    }
    return false;
}

// TEXT of a drop-down list combo box (style above csSimple) selects the item
// of that text through ItemIndex; a text that is no item changes nothing. True
// when the step was taken that way.
bool SetDropDownListText(const WalkEnd& end, const std::string& value)
{
    TObject* object = end.object;
    if (end.step != "TEXT" || !object->ClassType().InheritsFromName("Te3ComboBox"))
        return false;
    const TPropInfo* style = object->ClassType().FindProperty("Style");
    const TPropInfo* items = object->ClassType().FindProperty("Items");
    const TPropInfo* index = object->ClassType().FindProperty("ItemIndex");
    if (!style || !items || !index || !style->IsReadable() || !items->IsReadable() || !index->IsWritable())
        return false;
    const fw::PropValue styleValue = style->get(*object);
    constexpr int64_t simpleStyle = 1;
    if (!std::holds_alternative<int64_t>(styleValue) || std::get<int64_t>(styleValue) <= simpleStyle)
        return false;
    const fw::PropValue listValue = items->get(*object);
    const auto* list = std::get_if<TObject*>(&listValue);
    const auto* strings = list ? dynamic_cast<fw::TStrings*>(*list) : nullptr;
    if (!strings)
        return false;
    const std::vector<std::string>& lines = strings->Lines();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (u3::SameText(lines[i], value)) {
            index->set(*object, static_cast<int64_t>(i));
            break;
        }
    }
    return true;
}

void SetResolved(const WalkEnd& end, const std::string& value, const std::string& callerPath)
{
    TObject* object = end.object;
    const TPropInfo* prop = end.prop;
    if (SetEnginePicture(end, value) || SetDropDownListText(end, value))
        return;
    if (!prop) {
        if (end.step == "_FREE") {
            if (auto* c = dynamic_cast<TComponent*>(object))
                FreeEngineComponent(c);
        }
        // Any other step that is no property (a child's name, say) takes no value.
        return;
    }
    if (prop->kind == TypeKind::Class) {
        if (!prop->IsWritable())
            return;
        if (end.step == "PARENT" && dynamic_cast<Te3ClientFrame*>(object) && Client())
            Client()->SetOwnerComponent(static_cast<TComponent*>(static_cast<TObject*>(object)));
        TComponent* target = FindComponentByName(CurrentRoot(), value, !IsComponentName(end.step));
        try {
            prop->set(*object, static_cast<TObject*>(target));
        } catch (const fw::EPropertyError&) {
            throw EValueConversion("Invalid property value " + value);
        }
        return;
    }
    // Events are bound, never set from text; read-only properties keep their value.
    if (prop->kind == TypeKind::Method || !prop->IsWritable())
        return;
    prop->set(*object, ConvertValue(*prop, value));
    (void)callerPath;
}

} // namespace

size_t PathSeparatorPos(const std::string& path)
{
    return path.find_first_of(".[");
}

void SetPropertyByPath(TObject* object, const std::string& path, const std::string& className, const std::string& value)
{
    (void)className;
    if (!object)
        return;
    try {
        const WalkEnd end = Walk(object, path, WalkPurpose::Set);
        if (end.object)
            SetResolved(end, value, path);
    } catch (const EValueConversion&) {
        LogConversionFault(value, path, object);
    }
}

std::string GetPropertyText(const std::string& className, const std::string& path, TObject* object)
{
    (void)className;
    if (!object)
        return {};
    WalkEnd end = Walk(object, path, WalkPurpose::Get);
    if (!end.object || !end.prop || !end.prop->IsReadable())
        return {};
    if (end.prop->kind == TypeKind::Class || end.prop->kind == TypeKind::Method)
        return {};
    return ValueToText(*end.prop, end.prop->get(*end.object));
}

void WritePropertyValue(TMemoryTextStream& stream, const std::string& className, const std::string& path,
                        TObject* object)
{
    stream.WriteString(GetPropertyText(className, path, object));
}

bool PathEndsInEvent(const std::string& className, const std::string& path, TObject* object)
{
    (void)className;
    if (!object)
        return false;
    try {
        const WalkEnd end = Walk(object, path, WalkPurpose::Probe);
        if (end.prop)
            return end.prop->kind == TypeKind::Method;
        // An event the object does not publish is still a binding, so that a
        // name the event list does not know either is reported.
        return end.object && end.step.size() > 2 && end.step.compare(0, 2, "ON") == 0;
    } catch (const u3::Exception&) {
        return false;
    }
}

void BindEventProperty(const std::string& className, const std::string& path, TObject* object)
{
    (void)className;
    if (!object)
        return;
    const WalkEnd end = Walk(object, path, WalkPurpose::Bind);
    if (!end.object)
        return;
    // A name the event list does not publish raises; an event the object does
    // not publish is left alone.
    const TPropInfo* handler = EventListProperty(end.step);
    if (!end.prop || end.prop->kind != TypeKind::Method || !end.prop->IsWritable())
        return;
    try {
        end.prop->set(*end.object, handler->get(*EventListObject()));
    } catch (const std::bad_any_cast&) {
        throw fw::EPropertyError("Event " + end.step + " has another signature");
    }
}

void FreeEngineComponent(TComponent* component)
{
    if (!component)
        return;
    TClient* client = Client();
    if (component == client) {
        ReportClientError("The client object cannot be freed");
        return;
    }
    if (client)
        client->Forget(component);
    component->Release();
}

TComponent* GetOwnerFormOrFrame(fw::TControl* control)
{
    if (!control)
        return nullptr;
    auto isFormOrFrame = [](TComponent* c) {
        return dynamic_cast<fw::TCustomForm*>(c) || dynamic_cast<Te3ClientFrame*>(c);
    };
    if (isFormOrFrame(control))
        return control;
    if (isFormOrFrame(control->Owner()))
        return control->Owner();
    for (fw::TWinControl* p = control->Parent(); p; p = p->Parent())
        if (isFormOrFrame(p))
            return p;
    return control->Owner();
}

// --- reading descriptions -------------------------------------------------------

namespace {

bool EndsInFree(const std::string& upperPath)
{
    const size_t separator = upperPath.find_last_of(".]");
    return upperPath.substr(separator == std::string::npos ? 0 : separator + 1) == "_FREE";
}

} // namespace

void ReadAndSetProperty(const std::string& className, const std::string& path, TObject* object,
                        TabOrderList* tabOrders, DeferredList* deferred, bool apply, TMemoryTextStream& stream)
{
    const std::string value = stream.ReadString();
    if (!object)
        return;
    const std::string upper = UpperCase(path);
    if (upper == "FONT.SIZE") {
        if (dynamic_cast<fw::TCustomForm*>(object)) {
            if (deferred)
                deferred->emplace_back("FONT.SIZE=" + value, Guard<TObject>(object));
            else if (apply)
                SetPropertyByPath(object, path, className, value);
        } else if (apply) {
            SetPropertyByPath(object, path, className, value);
        }
        return;
    }
    auto remember = [&] {
        if (upper == "TABORDER" && tabOrders) {
            if (auto* c = dynamic_cast<TComponent*>(object))
                tabOrders->emplace_back(value, Guard<TComponent>(c));
        } else if (deferred && !EndsInFree(upper)) {
            // A freed component must not be freed again at the end: by then
            // its name may stand for a component built after it.
            if (GetPropertyText(className, path, object) != value ||
                std::string(" PAGEINDEX ").find(upper) != std::string::npos)
                deferred->emplace_back(path + "=" + value, Guard<TObject>(object));
        }
    };
    try {
        SetPropertyByPath(object, path, className, value);
    } catch (...) {
        remember();
        throw;
    }
    remember();
}

// A menu item goes to the component the engine named as its parent: to the
// items of a menu, or under a menu item.
void AddMenuItemToParent(TComponent* parent, TComponent* created)
{
    e3::AddMenuItemTo(parent, created);
}

namespace {

struct LoadState {
    TabOrderList tabOrders;
    DeferredList deferred;
};

// The event list's picture handler (the client's images by name) becomes the
// control's OnGetImage.
void GivePictureHandler(TComponent* control)
{
    TComponent* list = EventListObject();
    const TPropInfo* from = list ? list->ClassType().FindProperty("OnGetImage") : nullptr;
    const TPropInfo* to = control->ClassType().FindProperty("OnGetImage");
    if (!from || !to || !from->IsReadable() || !to->IsWritable() || to->kind != TypeKind::Method)
        return;
    try {
        to->set(*control, from->get(*list));
    } catch (const std::bad_any_cast&) {
        // A handler of another signature is not the picture handler.
    }
}

// A collection panel's records grid takes the same handler as a grid of its own.
void GiveInnerGridPictureHandler(TComponent* control)
{
    const TPropInfo* p = control->ClassType().FindProperty("DrawGrid");
    if (!p || !p->IsReadable())
        return;
    const fw::PropValue value = p->get(*control);
    const auto* object = std::get_if<fw::TObject*>(&value);
    if (auto* grid = object ? dynamic_cast<TComponent*>(*object) : nullptr)
        GivePictureHandler(grid);
}

TComponent* ReadComponentSection(TMemoryTextStream& stream, LoadState& state, TComponent* owner)
{
    stream.ReadBegin();
    stream.ReadString();
    const std::string className = stream.ReadString();
    const std::string upperClass = UpperCase(className);
    const std::string pairName = stream.ReadString();
    std::string parentName, popupName;
    if (fw::SameText(pairName, "Parent")) {
        parentName = stream.ReadString();
    } else {
        const std::string value = stream.ReadString();
        if (UpperCase(pairName) == "NAME" && upperClass == "TE3_POPUPMENU")
            popupName = value;
    }
    std::string pageName;
    if (className == "TPage") {
        stream.ReadString();
        pageName = stream.ReadString();
    }
    TComponent* parent = parentName.empty() ? nullptr : FindComponentByName(CurrentRoot(), parentName, true);
    TComponent* created = nullptr;
    if (className != "TPage") {
        if (upperClass == "TE3_MAINMENU" || upperClass == "TE3_POPUPMENU")
            parent = CurrentRoot();
        if (upperClass == "TE3_CLIENTFRAME") {
            created = new Te3_ClientFrame(owner);
        } else if (upperClass == "TE3_CLIENTFORM") {
            auto* form = new Te3_ClientForm(nullptr);
            if (!fw::TCustomForm::MainForm())
                fw::TCustomForm::SetMainForm(form);
            created = form;
        } else {
            created = CreateComponentByClassName(className, owner);
        }
        created->BeginLoading();
        if (!popupName.empty())
            created->SetName(popupName);
        auto* control = dynamic_cast<fw::TControl*>(created);
        auto* parentControl = dynamic_cast<fw::TWinControl*>(parent);
        if (control && parentControl)
            control->SetParent(parentControl);
        AddMenuItemToParent(parent, created);
        if (created->ClassType().InheritsFromName("Te3_DLDrawGrid"))
            GivePictureHandler(created);
        else if (created->ClassType().InheritsFromName("Te3_Collection"))
            GiveInnerGridPictureHandler(created);
    } else if (auto* pages = dynamic_cast<e3::INamedPages*>(parent)) {
        created = pages->AddDescribedPage(pageName);
    }
    if (!created)
        ReportClientError("Not Create Control");
    bool apply = true;
    if (auto* form = dynamic_cast<fw::TCustomForm*>(owner))
        apply = form->GetScaled();
    while (!stream.IsToken("]")) {
        const std::string name = UpperCase(stream.ReadString());
        try {
            ReadAndSetProperty(className, name, created, &state.tabOrders, &state.deferred, apply, stream);
        } catch (const std::exception&) {
            // One pair's failure does not stop the section.
        }
    }
    stream.ReadEnd();
    if (created)
        created->Loaded();
    return created;
}

void ReadEventBinding(TComponent* root, TMemoryTextStream& stream, const std::string& rootName)
{
    const std::string path = stream.ReadString();
    const std::string engineEvent = stream.ReadString();
    stream.ReadString();
    // Only a path that begins with the root's name and "." is already keyed.
    const std::string prefix = UpperCase(rootName) + ".";
    const std::string key = UpperCase(path).compare(0, prefix.size(), prefix) == 0 ? path : rootName + "." + path;
    TNameValueList* map = nullptr;
    if (auto* form = dynamic_cast<Te3ClientForm*>(root))
        map = &form->EventMap;
    else if (auto* frame = dynamic_cast<Te3ClientFrame*>(root))
        map = &frame->EventMap;
    if (map && !map->Contains(path))
        map->Add(key, engineEvent);
    auto [componentName, rest] = SplitPath(path);
    if (TComponent* component = FindComponentByName(root, componentName, true))
        BindEventProperty(component->ClassName(), rest, component);
}

void ReadEventParams(TComponent* root, TMemoryTextStream& stream)
{
    const std::string engineEvent = stream.ReadString();
    stream.ReadBegin();
    std::string paths;
    bool first = true;
    while (!stream.IsToken("]")) {
        if (!first)
            paths += "\r\n";
        paths += stream.ReadString();
        first = false;
    }
    stream.ReadEnd();
    TNameValueList* params = nullptr;
    if (auto* form = dynamic_cast<Te3ClientForm*>(root))
        params = &form->EventParams;
    else if (auto* frame = dynamic_cast<Te3ClientFrame*>(root))
        params = &frame->EventParams;
    if (params && !params->Contains(engineEvent))
        params->Add(engineEvent, paths);
}

int64_t TabKey(const std::string& text)
{
    int64_t v = 0;
    return ParseInt64(text, v) ? v : 0;
}

void ApplyTabOrdersAndDeferred(LoadState& state)
{
    std::stable_sort(state.tabOrders.begin(), state.tabOrders.end(),
                     [](const auto& a, const auto& b) { return TabKey(a.first) < TabKey(b.first); });
    for (auto it = state.tabOrders.rbegin(); it != state.tabOrders.rend(); ++it)
        if (TComponent* c = it->second.get())
            SetPropertyByPath(c, "TABORDER", c->ClassName(), it->first);
    for (auto it = state.deferred.rbegin(); it != state.deferred.rend(); ++it) {
        TObject* object = it->second.get();
        if (!object)
            continue;
        const size_t eq = it->first.find('=');
        const std::string path = it->first.substr(0, eq);
        const std::string value = it->first.substr(eq + 1);
        if (UpperCase(path) == "FONT.SIZE")
            if (auto* form = dynamic_cast<fw::TCustomForm*>(object); form && !form->GetScaled())
                continue;
        SetPropertyByPath(object, path, object->ClassName(), value);
    }
}

} // namespace

TComponent* LoadFormDescription(TMemoryTextStream& stream, bool designing)
{
    TClient* client = Client();
    Guard<Te3_ClientForm> previousForm(client ? client->CurrentForm() : nullptr);
    Guard<TComponent> previousOwner(client ? client->CreationOwner() : nullptr);
    LoadState state;
    Guard<TComponent> root;
    bool engineRoot = false;
    std::string refused;
    {
        fw::LayoutHold hold;
        try {
            stream.Seek(0, 0);
            stream.ReadString();
            if (!stream.IsToken("[")) {
                while (!stream.IsToken("}"))
                    stream.ReadString();
                stream.ReadString();
                stream.ReadString();
                stream.ReadString();
            }
            TComponent* made = ReadComponentSection(stream, state, nullptr);
            root = made;
            if (auto* form = dynamic_cast<Te3_ClientForm*>(made)) {
                engineRoot = true;
                if (client)
                    client->SetCurrentForm(form);
            } else if (auto* frame = dynamic_cast<Te3_ClientFrame*>(made)) {
                engineRoot = true;
                if (client)
                    client->SetOwnerComponent(frame);
            }
            if (designing && made)
                made->SetDesigning(true);
            while (stream.IsToken("["))
                ReadComponentSection(stream, state, root.get());
            stream.ReadEnd();
            stream.ReadString();
            stream.ReadBegin();
            const std::string rootName = root ? root->GetName() : std::string();
            while (!stream.IsToken("}"))
                ReadEventBinding(root.get(), stream, rootName);
            stream.ReadEnd();
            stream.ReadString();
            stream.ReadBegin();
            while (!stream.IsToken("}"))
                ReadEventParams(root.get(), stream);
            stream.ReadEnd();
            ApplyTabOrdersAndDeferred(state);
        } catch (const fw::ETooManyControls& error) {
            refused = error.what();
        } catch (const std::exception&) {
            // What was built stays; the rest of the description is lost.
        }
        if (client) {
            client->SetCurrentForm(previousForm.get());
            client->SetOwnerComponent(previousOwner.get());
        }
    }
    if (!refused.empty()) {
        // Shown in part, such a form would be a trap; shown whole, it would
        // take the program down while painting.
        const std::string name = root ? root->GetName() : std::string();
        delete root.get();
        const std::string text = "The form " + name + " cannot be shown. " + refused + ".";
        u3::ApplicationLogger().Log(1, text);
        u3::CurrentUserMessages().ShowMessage(text);
        return nullptr;
    }
    if (auto* win = dynamic_cast<fw::TWinControl*>(root.get()))
        win->AlignTree();
    return engineRoot ? root.get() : nullptr;
}

} // namespace client
