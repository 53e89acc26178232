#include "client/CertificateList.h"

#include "client/Client.h"
#include "client/Globals.h"
#include "client/OwnFormParts.h"
#include "e3/buttons/SpeedButton.h"
#include "e3/containers/Panel.h"
#include "e3/display/Label.h"
#include "e3/grids/DLDrawGrid.h"
#include "framework/MessagePump.h"
#include "u3/StrLib.h"

#include <charconv>
#include <memory>

namespace client {

namespace {

std::string Lang(const std::string& key, const std::string& defaultText)
{
    return OwnFormText(key, defaultText);
}

bool ParseInt(const std::string& text, int& value)
{
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && ptr == text.data() + text.size();
}

} // namespace

std::vector<TCertificateEntry> ParseCertificateList(const std::string& listText)
{
    std::vector<TCertificateEntry> entries;
    const std::string text = u3::Trim(listText);
    if (text.empty())
        return entries;
    for (const std::string& entry : u3::SplitTokens(text, "<|>"))
        entries.push_back(u3::SplitTokens(entry, "||"));
    return entries;
}

std::string CertificateField(const TCertificateEntry& entry, size_t i)
{
    return i < entry.size() ? entry[i] : std::string();
}

int CertificateIndex(const TCertificateEntry& entry)
{
    int value = -1;
    return ParseInt(u3::Trim(CertificateField(entry, 0)), value) ? value : -1;
}

std::string KeyUsageNames(const std::string& keyUsageField)
{
    int bits = 0;
    if (!ParseInt(u3::Trim(keyUsageField), bits))
        bits = 0;
    std::string names;
    const auto add = [&names](const std::string& name) {
        if (!names.empty())
            names += ", ";
        names += name;
    };
    if (bits & 0x80)
        add("Digital Signature");
    if (bits & 0x20)
        add(Lang("FrmCCert.pas.Message.4", "Key encipherment"));
    if (bits & 0x10)
        add(Lang("FrmCCert.pas.Message.5", "Data encipherment"));
    if (bits & 0x40)
        add(Lang("FrmCCert.pas.Message.6", "Non repudiation"));
    return names;
}

// --- the data list ------------------------------------------------------------------

const fw::TClassInfo& TCertificatesList::StaticClass()
{
    static const fw::TClassInfo info {"TCertificatesList", &e3::TDGDataListClient::StaticClass(), {}};
    return info;
}

TCertificatesList::TCertificatesList(fw::TComponent* owner)
    : e3::TDGDataListClient(owner)
{
}

void TCertificatesList::SetListText(const std::string& listText)
{
    entries_ = ParseCertificateList(listText);
    if (IsAttached())
        InitGrid();
}

std::string TCertificatesList::CellText(int32_t col, int32_t row) const
{
    if (row < 0 || row >= EntryCount())
        return " ";
    const TCertificateEntry& entry = entries_[static_cast<size_t>(row)];
    switch (col) {
    case 0: return KeyUsageNames(CertificateField(entry, 1));
    case 1: return CertificateField(entry, 2);
    case 2: return CertificateField(entry, 3);
    default: return " ";
    }
}

void TCertificatesList::InitGrid()
{
    auto* grid = dynamic_cast<e3::Te3CustomDLDrawGrid*>(GetDrawGrid());
    if (!grid)
        return;
    constexpr int32_t columns = 3;
    grid->SetColCount(columns);
    grid->SetFixedCols(0);
    grid->SetTitleVisible(true);
    const struct {
        const char* key;
        const char* caption;
        int32_t width;
    } titles[columns] = {{"FrmCCert.pas.Message.1", "Key Usage", 3},
                         {"FrmCCert.pas.Message.2", "Subject", 5},
                         {"FrmCCert.pas.Message.3", "Issuer", 5}};
    for (int32_t c = 0; c < columns; ++c) {
        e3::TDLColumn* column = grid->GetColumns()->GetColumn(c);
        column->GetTitle()->SetCaption(Lang(titles[c].key, titles[c].caption));
        // A long name is shortened with "..." rather than wrapped.
        column->SetWordWrap(false);
        grid->SetColWidths(c, titles[c].width);
    }
    grid->SaveColumnWidths();
    grid->ScaleColumns();
    SetEmptyGrid(entries_.empty());
    grid->Set_RowCount(std::max<int32_t>(EntryCount(), 1));
    _RefreshData("0<|>-1"); // rows of an earlier list go
    for (int32_t r = 0; r < EntryCount(); ++r) {
        e3::TDLRow cells;
        for (int32_t c = 0; c < columns; ++c)
            cells.push_back(CellText(c, r));
        StoreRow(r, std::move(cells));
    }
    grid->Invalidate();
}

// --- the form -----------------------------------------------------------------------

const fw::TClassInfo& TFormCertificates::StaticClass()
{
    static const fw::TClassInfo info {"TFormCertificates", &fw::TCustomForm::StaticClass(), {}};
    return info;
}

TFormCertificates::TFormCertificates(fw::TComponent* owner)
    : fw::TCustomForm(owner)
{
    SetName("ClientFormCertificates");
    SetCaption("User Certificate Selection");
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    SetClientWidth(560);
    SetClientHeight(260);
    pnlTop = MakeFormPart<e3::Te3_Panel>(this, this, "pnlTop",
                                         {{"Align", "alTop"}, {"Height", "44"}, {"Caption", ""}, {"BevelOuter", "bvNone"}});
    lblChoose = MakeFormPart<e3::Te3_Label>(
        this, pnlTop, "lblChoose",
        {{"Left", "8"}, {"Top", "6"}, {"Width", "544"}, {"Height", "32"}, {"WordWrap", "1"},
         {"Caption", "Please choose a certificate from the list below. It will be used to establish a secure "
                     "session and send the aplication. Press [Submit Now] to proceed."}});
    pnlButtons = MakeFormPart<e3::Te3_Panel>(
        this, this, "pnlButtons", {{"Align", "alBottom"}, {"Height", "34"}, {"Caption", ""}, {"BevelOuter", "bvNone"}});
    btnSubmit = MakeFormPart<e3::Te3_SpeedButton>(
        this, pnlButtons, "btnSubmit",
        {{"Left", "372"}, {"Top", "6"}, {"Width", "90"}, {"Height", "22"}, {"Caption", "Submit Now"}});
    btnCancel = MakeFormPart<e3::Te3_SpeedButton>(
        this, pnlButtons, "btnCancel",
        {{"Left", "466"}, {"Top", "6"}, {"Width", "86"}, {"Height", "22"}, {"Caption", "Cancel"}});
    grdCertificates = MakeFormPart<e3::Te3_DLDrawGrid>(this, this, "grdCertificates", {{"Align", "alClient"}});
    grdCertificates->SetScaleCol(true);
    grdCertificates->SetOptions((grdCertificates->GetOptions() | e3::GridOption(e3::goRowSelect)) &
                                ~e3::GridOption(e3::goColMoving));
    grdCertificates->SetRowSelect(true);
    grdCertificates->SetColMoving(false);
    certificates = new TCertificatesList(this);
    certificates->SetName("dlCertificates");
    grdCertificates->SetDataList(certificates);
    OnShow = [this](fw::TObject* s) { FormShow(s); };
    btnSubmit->OnClick = [this](fw::TObject* s) { btnSubmitClick(s); };
    btnCancel->OnClick = [this](fw::TObject* s) { btnCancelClick(s); };
    if (TClient* c = Client())
        c->AddForm(GetName(), this);
    SendOwnFormEvent(this, "OnCreate");
}

TFormCertificates::~TFormCertificates()
{
    // The grid lets go of its data list before either goes.
    grdCertificates->SetDataList(nullptr);
    delete certificates;
    certificates = nullptr;
}

void TFormCertificates::FormShow(fw::TObject*)
{
    chosenIndex_ = -1;
    grdCertificates->ScaleColumns();
    if (certificates->EntryCount() > 0)
        grdCertificates->Set_Row(0);
    SendOwnFormEvent(this, "OnShow");
}

void TFormCertificates::btnSubmitClick(fw::TObject*)
{
    const int32_t row = grdCertificates->Get_Row();
    const auto& entries = certificates->Entries();
    chosenIndex_ = row >= 0 && row < certificates->EntryCount() ? CertificateIndex(entries[static_cast<size_t>(row)])
                                                                 : -1;
    SetModalResult(fw::mrOk);
}

void TFormCertificates::btnCancelClick(fw::TObject*)
{
    SetModalResult(fw::mrCancel);
}

int ChooseCertificate(const std::string& listText)
{
    const std::vector<TCertificateEntry> entries = ParseCertificateList(listText);
    if (entries.size() == 1)
        return CertificateIndex(entries.front());
    auto form = std::make_unique<TFormCertificates>(nullptr);
    form->SetListText(listText);
    const int index = form->ShowModal() == fw::mrOk ? form->ChosenIndex() : -1;
    form.reset();
    fw::DrainMessageQueue();
    return index;
}

} // namespace client
