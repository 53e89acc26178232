// Every published name of every class the engine can create, and of each class
// on the way to it, against one golden list. The engine sees nothing else of a
// control, so a name that disappears is a property it can no longer set and a
// name that appears is one a form description could set by mistake. Both fail.
//
// To regenerate the list after a deliberate change:
//   E3_WRITE_PUBLISHED_NAMES=/path/to/published_names.txt client_tests --gtest_filter='PublishedNames.*'
#include "client/ClassRegistry.h"
#include "e3/collection/Collection.h"
#include "e3/grids/DLDrawGrid.h"
#include "e3/translation/DebugWordDialog.h"
#include "e3/translation/MultiLanguage.h"
#include "framework/Rtti.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The names the registry answers to; the list is the registry's, so a class
// that stops being registered fails here as well.
const char* const kRegistered[] = {
    "Te3_ClientForm",    "Te3_ClientFrame",   "Te3_Edit",         "Te3_Bevel",
    "Te3_Label",         "Te3_ProgressLabel", "Te3_Image",        "Te3_Gauge",
    "Te3Bevel",          "Te3Gauge",          "Te3Image",         "Te3Label",
    "Te3ProgressLabel",  "Te3_CheckBox",      "Te3_GroupBox",     "Te3_ListBox",
    "Te3_Memo",          "Te3_RadioButton",   "Te3_NonCyclicRadioButton",
    "Te3_RadioGroup",    "Te3_ScrollBox",     "Te3CheckBox",      "Te3GroupBox",
    "Te3ListBox",        "Te3Memo",           "Te3RadioButton",   "Te3RadioGroup",
    "Te3ScrollBox",      "Te3_Panel",         "Te3Panel",         "Te3_UnicodeLabel",
    "Te3_UnicodeEdit",   "Te3UnicodeLabel",   "Te3_MainMenu",     "Te3_PopupMenu",
    "Te3_SpeedButton",   "Te3MainMenu",       "Te3MenuItem",      "Te3PopupMenu",
    "Te3SpeedButton",    "Te3ColorSpeedButton", "Te3_RegNoEdit",    "Te3_ComboBox",
    "Te3_DateEdit",
    "Te3_CComboBox",     "Te3ComboBox",       "Te3CComboBox",     "Te3_CheckScrollBox",
    "Te3CheckScrollBox",
    "TDGDataListClient", "Te3_DLDrawGrid",    "Te3DLDrawGrid",
    "Te3_Notebook",      "Te3_PageControl",   "Te3_TabSheet",     "Te3Notebook",
    "Te3PageControl",    "Te3_SplitterPanel", "Te3SplitterPanel",
    "Te3_CheckListBox",  "Te3CheckListBox",   "Te3_TreeView",     "Te3TreeView",
    "Te3_NavigationBar", "Te3NavigationBar",
    "Te3_DBGrid",        "Te3DBGrid",         "Te3_HeaderControl", "Te3HeaderControl",
    "Te3_Collection",    "Te3Collection",
    "Te3_OpenDialog",    "Te3_SaveDialog",    "Te3_BrowseDirectory", "TFormGauge",
};

const char* KindName(fw::TypeKind kind)
{
    switch (kind) {
    case fw::TypeKind::Integer: return "Integer";
    case fw::TypeKind::Int64: return "Int64";
    case fw::TypeKind::Float: return "Float";
    case fw::TypeKind::String: return "String";
    case fw::TypeKind::Boolean: return "Boolean";
    case fw::TypeKind::Char: return "Char";
    case fw::TypeKind::Enumeration: return "Enumeration";
    case fw::TypeKind::Set: return "Set";
    case fw::TypeKind::Class: return "Class";
    case fw::TypeKind::Method: return "Method";
    }
    return "?";
}

// One line per published name: the name, what it holds and how it is reached.
std::string Describe(const fw::TPropInfo& p)
{
    std::string line = p.name + " " + KindName(p.kind);
    if (p.enumType)
        line += " " + p.enumType->name;
    if (p.classType)
        line += " " + p.classType->Name();
    if (p.eventType)
        line += " " + p.eventType->name;
    line += p.IsReadable() ? " r" : " -";
    line += p.IsWritable() ? "w" : "-";
    return line;
}

// Class header ("Name : Parent") -> its published lines.
using Listing = std::map<std::string, std::set<std::string>>;

std::string Header(const fw::TClassInfo& c)
{
    return c.Name() + " : " + (c.Parent() ? c.Parent()->Name() : std::string("-"));
}

void Collect(const fw::TClassInfo* c, Listing& out)
{
    for (; c && !out.contains(Header(*c)); c = c->Parent()) {
        std::set<std::string>& lines = out[Header(*c)];
        for (const fw::TPropInfo* p : c->AllProperties())
            lines.insert(Describe(*p));
    }
}

Listing FromCode()
{
    Listing listing;
    for (const char* name : kRegistered) {
        const fw::TClassInfo* c = client::FindClass(name);
        EXPECT_NE(c, nullptr) << name << " is not registered";
        Collect(c, listing);
    }
    // Controls of the library that the engine does not create by name but
    // meets in the client's own dialogs.
    Collect(&e3::TMultiLanguage::StaticClass(), listing);
    Collect(&e3::TfrmDebugWordML::StaticClass(), listing);
    Collect(&e3::TDebugButton::StaticClass(), listing);
    // The items that a grid's "Columns[i]" paths reach.
    Collect(&e3::TDLColumn::StaticClass(), listing);
    // The buttons of a collection panel's bar.
    Collect(&e3::Te3_CollSpeedButton::StaticClass(), listing);
    Collect(&e3::TDLColumnTitle::StaticClass(), listing);
    return listing;
}

std::string Write(const Listing& listing)
{
    std::ostringstream out;
    for (const auto& [header, lines] : listing) {
        out << "class " << header << "\n";
        for (const std::string& line : lines)
            out << "  " << line << "\n";
    }
    return out.str();
}

Listing Read(std::istream& in)
{
    Listing listing;
    std::set<std::string>* current = nullptr;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("class ", 0) == 0)
            current = &listing[line.substr(6)];
        else if (line.rfind("  ", 0) == 0 && current)
            current->insert(line.substr(2));
        else if (!line.empty())
            ADD_FAILURE() << "unreadable golden line: " << line;
    }
    return listing;
}

TEST(PublishedNames, EveryClassPublishesExactlyItsGoldenList)
{
    const Listing code = FromCode();
    if (const char* target = std::getenv("E3_WRITE_PUBLISHED_NAMES")) {
        std::ofstream(target) << Write(code);
        GTEST_SKIP() << "wrote " << target;
    }
    std::ifstream file(E3_TEST_DATA_DIR "/published_names.txt");
    ASSERT_TRUE(file) << "golden list missing";
    const Listing golden = Read(file);
    ASSERT_GT(golden.size(), 60u); // a truncated file is not a pass

    for (const auto& [header, lines] : golden)
        if (!code.contains(header))
            ADD_FAILURE() << "class missing or reparented: " << header;
    for (const auto& [header, lines] : code) {
        auto it = golden.find(header);
        if (it == golden.end()) {
            ADD_FAILURE() << "class not in the golden list: " << header;
            continue;
        }
        for (const std::string& line : lines)
            if (!it->second.contains(line))
                ADD_FAILURE() << header << ": extra or changed name: " << line;
        for (const std::string& line : it->second)
            if (!lines.contains(line))
                ADD_FAILURE() << header << ": missing or changed name: " << line;
    }
}

} // namespace
