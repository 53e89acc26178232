#include "e3/translation/DebugWordDialog.h"

#include "e3/translation/ComponentTranslation.h"
#include "e3/edits/Edit.h"
#include "e3/display/Label.h"
#include "e3/translation/MultiLanguage.h"
#include "e3/containers/Panel.h"
#include "e3/containers/ScrollBox.h"
#include "framework/ApplicationException.h"
#include "framework/StandardProps.h"

#include <QPushButton>

namespace e3 {

namespace {

constexpr int32_t ButtonWidth = 75;
constexpr int32_t ButtonHeight = 25;
constexpr int32_t RowHeight = 40;

// The number that ends a component's name ("edt12" is 12); -1 when none.
int TrailingNumber(const std::string& name)
{
    size_t start = name.size();
    while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9')
        --start;
    if (start == name.size() || name.size() - start > 9)
        return -1;
    return std::stoi(name.substr(start));
}

} // namespace

// ---- TDebugButton ------------------------------------------------------------------------------

const fw::TClassInfo& TDebugButton::StaticClass()
{
    static const fw::TClassInfo info {"TDebugButton", &fw::TWinControl::StaticClass(), fw::TRows<TDebugButton> {fw::std_props::Caption()}};
    return info;
}

TDebugButton::TDebugButton(fw::TComponent* owner, fw::TModalResult result) : fw::TWinControl(owner), result_(result)
{
    auto* button = new QPushButton();
    SetWidget(button);
    QObject::connect(button, &QPushButton::clicked, button, [this] { fw::RunFromEventLoop([this] { DoClick(); }); });
    SetBounds(0, 0, ButtonWidth, ButtonHeight);
}

void TDebugButton::SetText(const std::string& text)
{
    fw::TWinControl::SetText(text);
    if (auto* button = qobject_cast<QPushButton*>(Widget()))
        button->setText(QString::fromStdString(text));
}

void TDebugButton::DoClick()
{
    fw::TWinControl::DoClick();
    for (fw::TComponent* c = Owner(); c; c = c->Owner())
        if (auto* form = dynamic_cast<fw::TCustomForm*>(c)) {
            form->SetModalResult(result_);
            return;
        }
}

// ---- TfrmDebugWordML ---------------------------------------------------------------------------

const fw::TClassInfo& TfrmDebugWordML::StaticClass()
{
    static const fw::TClassInfo info {"TfrmDebugWordML", &fw::TCustomForm::StaticClass(), {}};
    return info;
}

TfrmDebugWordML::TfrmDebugWordML(fw::TComponent* owner, const TLanguageList& languages, TLanguageWord& row)
    : fw::TCustomForm(owner), row_(row)
{
    SetName("frmDebugWordML");
    SetBorderStyle(fw::bsDialog);
    scrDebug = new Te3ScrollBox(this);
    scrDebug->SetName("scrDebug");
    scrDebug->SetParent(this);
    const std::pair<TDebugButton**, std::pair<const char*, fw::TModalResult>> buttons[] = {
        {&bbnOk, {"bbnOk", fw::mrOk}}, {&bbnCancel, {"bbnCancel", fw::mrCancel}},
        {&bbnIgnoreAll, {"bbnIgnoreAll", fw::mrAll}}};
    const char* captions[] = {"OK", "Cancel", "Ignore all"};
    for (size_t i = 0; i < 3; ++i) {
        TDebugButton* button = new TDebugButton(this, buttons[i].second.second);
        button->SetName(buttons[i].second.first);
        button->SetText(captions[i]);
        button->SetParent(this);
        *buttons[i].first = button;
    }
    bbnOk->SetEnabled(false);

    SetClientWidth(610);
    const int count = languages.Count();
    SetClientHeight(count > 7 ? ButtonHeight + 328 : RowHeight * count + ButtonHeight + 8);
    ArrangeControls();

    for (int i = 0; i < count; ++i) {
        const std::string number = std::to_string(i);
        auto* panel = new Te3Panel(this);
        panel->SetName("pnl" + number);
        panel->SetBevelOuter(bvNone);
        panel->SetBevelInner(bvNone);
        panel->SetText("");
        panel->SetParent(scrDebug);
        panel->SetTabOrder(i);
        panel->SetBounds(2, RowHeight * i, ClientWidth() - 4, RowHeight);
        panel->SetColor(fw::clBtnFace);
        auto* label = new Te3Label(this);
        label->SetName("lbl" + number);
        label->SetParent(panel);
        label->SetText(languages[i]->Caption);
        label->SetBounds(4, 4, label->GetWidth(), 13);
        auto* edit = new Te3Edit(this);
        edit->SetName("edt" + number);
        edit->SetParent(panel);
        edit->SetBounds(2, label->GetTop() + label->GetHeight() + 2, panel->GetWidth() - 4, edit->GetHeight());
        edit->SetText(i < row_.Count() ? row_.Words[static_cast<size_t>(i)] : std::string());
        edit->OnEnter = [this](fw::TObject* sender) { EditEntered(sender); };
        edit->OnChange = [this](fw::TObject* sender) { EditChanged(sender); };
        edits_.push_back(edit);
    }
    OnResize = [this](fw::TObject*) { ArrangeControls(); };
}

void TfrmDebugWordML::ArrangeControls()
{
    const int32_t width = ClientWidth();
    const int32_t height = ClientHeight();
    const int32_t top = height - 4 - ButtonHeight;
    int32_t left = (width - (3 * ButtonWidth + 2 * 4)) / 2;
    for (TDebugButton* button : {bbnOk, bbnCancel, bbnIgnoreAll}) {
        button->SetBounds(left, top, ButtonWidth, ButtonHeight);
        left += ButtonWidth + 4;
    }
    scrDebug->SetBounds(0, 0, width, std::max(0, top - 4));
}

void TfrmDebugWordML::EditEntered(fw::TObject* sender)
{
    if (auto* edit = dynamic_cast<Te3Edit*>(sender)) {
        const int number = TrailingNumber(edit->GetName());
        if (number >= 0)
            current_ = number;
    }
}

void TfrmDebugWordML::EditChanged(fw::TObject* sender)
{
    if (current_ < 0 || static_cast<size_t>(current_) >= edits_.size() || sender != edits_[static_cast<size_t>(current_)])
        return;
    const std::string text = edits_[static_cast<size_t>(current_)]->GetText();
    std::string& entry = row_.Words.at(static_cast<size_t>(current_));
    if (!text.empty() && text != entry) {
        entry = text;
        bbnOk->SetEnabled(true);
    } else {
        bbnOk->SetEnabled(false);
    }
}

// ---- TMultiLanguage::ShowDebugDialog -----------------------------------------------------------

TLanguageItem* TMultiLanguage::ShowDebugDialog(const fw::TComponent* parent, const fw::TComponent* component,
                                               const TLanguageList& languages, int lineNumber,
                                               const std::string& propName, TLanguageWord& row)
{
    TLanguageItem* result = nullptr;
    fw::TModalResult modalResult = fw::mrNone;
    {
        TfrmDebugWordML dialog(nullptr, languages, row);
        dialog.SetCaption("Debug:" + (component ? component->ClassName() : std::string("Nil")) + "(" +
                          (component ? component->GetName() : std::string("Nil")) + ")" + "." + propName);
        modalResult = dialog.ShowModal();
    }
    if (modalResult == fw::mrOk) {
        if (TItemSession* dictionary = LangSession().Find(FileName)) {
            dictionary->AddItem(row);
            std::string mainWord;
            for (int i = 0; i < languages.Count() && i < row.Count(); ++i)
                if (languages[i]->Name == main_.Name)
                    mainWord = row.Words[static_cast<size_t>(i)];
            result = FindItem(parent, component, lineNumber, propName, mainWord, FileName);
        }
    }
    AppendDebugRow(languages, row, parent, component, propName, lineNumber);
    if (modalResult == fw::mrAll) {
        DebugDialog = false;
        DebugDialogIgnored() = true;
    }
    return result;
}

} // namespace e3
