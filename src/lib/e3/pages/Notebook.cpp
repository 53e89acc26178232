#include "e3/pages/Notebook.h"

#include "framework/StandardProps.h"

#include <QApplication>

#include <algorithm>

namespace e3 {

namespace {

bool HoldsFocus(const fw::TControl& control)
{
    QWidget* focus = QApplication::focusWidget();
    QWidget* widget = control.Widget();
    return focus && widget && (focus == widget || widget->isAncestorOf(focus));
}

QWidget* FirstFocusable(const fw::TWinControl& container)
{
    for (fw::TWinControl* child : container.TabList()) {
        if (!child->GetVisible() || !child->GetEnabled())
            continue;
        if (child->GetTabStop() && child->Widget() && child->Widget()->focusPolicy() != Qt::NoFocus)
            return child->Widget();
        if (QWidget* inner = FirstFocusable(*child))
            return inner;
    }
    return nullptr;
}

} // namespace

const fw::TClassInfo& TPage::StaticClass()
{
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "TPage",
        &fw::TWinControl::StaticClass(),
        fw::TRows<TPage> {
            sp::Caption(),
            sp::Color(),
            sp::Font(),
            sp::Visible(),
        },
    };
    return info;
}

TPage::TPage(fw::TComponent* owner)
    : fw::TWinControl(owner)
{
    auto* widget = new QWidget;
    widget->setAutoFillBackground(true);
    SetWidget(widget);
    SetVisible(false);
    SetAlign(fw::alClient);
}

Te3CustomNotebook* TPage::Notebook() const
{
    return dynamic_cast<Te3CustomNotebook*>(Parent());
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CustomNotebook::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomNotebook", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomNotebook::Te3CustomNotebook(fw::TComponent* owner)
    : Te3Control(owner, {kHintWords, &Te3CustomNotebook::StaticClass}, EnabledRule::plain)
    , pageStrings_(std::make_unique<fw::TStrings>())
{
    auto* widget = new QWidget;
    widget->setAutoFillBackground(true);
    SetWidget(widget);
    SetBounds(0, 0, 150, 150);
    pageStrings_->OnRefresh = [this] { pageStrings_->Load(PageNames()); };
    pageStrings_->OnChange = [this] { PagesWritten(); };
    AddPage("Default");
}

Te3CustomNotebook::~Te3CustomNotebook()
{
    pageStrings_->OnRefresh = nullptr;
    pageStrings_->OnChange = nullptr;
    for (auto& page : pages_)
        delete page.get();
}

TPage* Te3CustomNotebook::Page(int32_t index) const
{
    if (index < 0 || index >= PageCount())
        return nullptr;
    return pages_[static_cast<size_t>(index)].get();
}

std::vector<std::string> Te3CustomNotebook::PageNames() const
{
    std::vector<std::string> names;
    names.reserve(pages_.size());
    for (const auto& page : pages_)
        names.push_back(page ? page->GetText() : std::string());
    return names;
}

TPage* Te3CustomNotebook::InsertPage(int32_t index, const std::string& caption)
{
    index = std::clamp(index, 0, PageCount());
    auto* page = new TPage(this);
    page->SetText(caption);
    page->SetParent(this);
    pages_.insert(pages_.begin() + index, fw::Guard<TPage>(page));
    // The shown page keeps showing; its index moves with it.
    if (pageIndex_ >= index && pageIndex_ >= 0 && pageIndex_ < PageCount() - 1)
        ++pageIndex_;
    ShowPage(index);
    return page;
}

void Te3CustomNotebook::DeletePage(int32_t index)
{
    TPage* page = Page(index);
    if (!page)
        return;
    pages_.erase(pages_.begin() + index);
    if (pageIndex_ == index)
        pageIndex_ = -1;
    else if (pageIndex_ > index)
        --pageIndex_;
    delete page;
    if (PageCount() > 0)
        ShowPage(0);
}

void Te3CustomNotebook::MovePage(int32_t from, int32_t to)
{
    if (!Page(from) || !Page(to) || from == to)
        return;
    std::swap(pages_[static_cast<size_t>(from)], pages_[static_cast<size_t>(to)]);
    if (pageIndex_ == from)
        pageIndex_ = to;
    else if (pageIndex_ == to)
        pageIndex_ = from;
}

void Te3CustomNotebook::ClearPages()
{
    std::vector<fw::Guard<TPage>> pages;
    pages.swap(pages_);
    pageIndex_ = -1;
    for (auto& page : pages)
        delete page.get();
}

void Te3CustomNotebook::PagesWritten()
{
    // The written lines become the pages: existing pages keep their place and
    // take the new captions, further lines add pages, pages beyond the lines go.
    const std::vector<std::string> lines = pageStrings_->Lines();
    while (PageCount() > static_cast<int32_t>(lines.size()))
        DeletePage(PageCount() - 1);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (TPage* page = Page(static_cast<int32_t>(i)))
            page->SetText(lines[i]);
        else
            AddPage(lines[i]);
    }
}

void Te3CustomNotebook::ShowPage(int32_t index)
{
    TPage* page = Page(index);
    if (!page)
        return;
    fw::Guard<Te3CustomNotebook> self(this);
    const bool hadFocus = HoldsFocus(*this);
    TPage* old = Page(pageIndex_);
    page->SetVisible(true);
    if (QWidget* widget = page->Widget())
        widget->raise();
    if (old && old != page)
        old->SetVisible(false);
    pageIndex_ = index;
    if (hadFocus) {
        if (QWidget* target = FirstFocusable(*page))
            target->setFocus(Qt::OtherFocusReason);
        else if (Widget())
            Widget()->setFocus(Qt::OtherFocusReason);
    }
    if (OnPageChanged)
        OnPageChanged(this);
}

void Te3CustomNotebook::SetPageIndex(int32_t value)
{
    if (HasState(fw::csLoading)) {
        pageIndex_ = value;
        return;
    }
    if (value == pageIndex_ || !Page(value))
        return;
    ShowPage(value);
}

void Te3CustomNotebook::Loaded()
{
    fw::TWinControl::Loaded();
    const int32_t stored = pageIndex_;
    // What loading kept is shown now; an index out of range shows nothing.
    for (auto& page : pages_)
        if (page)
            page->SetVisible(false);
    pageIndex_ = -1;
    if (Page(stored))
        ShowPage(stored);
}

std::string Te3CustomNotebook::GetActivePage() const
{
    const TPage* page = Page(pageIndex_);
    return page ? page->GetText() : std::string();
}

void Te3CustomNotebook::SetActivePage(const std::string& value)
{
    for (int32_t i = 0; i < PageCount(); ++i)
        if (pages_[static_cast<size_t>(i)]->GetText() == value) {
            SetPageIndex(i);
            return;
        }
}

fw::TComponent* Te3CustomNotebook::AddDescribedPage(const std::string& name)
{
    // A description brings the notebook's whole page list: the page the
    // notebook made for itself goes with the first described one.
    if (!described_) {
        described_ = true;
        ClearPages();
    }
    TPage* page = AddPage(name);
    SetPageIndex(0);
    page->SetName(name);
    return page;
}

void Te3CustomNotebook::FocusNotebook()
{
    if (QWidget* widget = Widget())
        widget->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3Notebook::StaticClass()
{
    using C = Te3Notebook;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3Notebook",
        &Te3CustomNotebook::StaticClass(),
        fw::TRows<Te3Notebook> {
            fw::prop::String("ActivePage", &C::GetActivePage, &C::SetActivePage),
            fw::prop::Integer("PageIndex", &C::GetPageIndex, &C::SetPageIndex),
            fw::prop::Object("Pages", fw::TStrings::StaticClass(), &C::GetPages, nullptr),
            sp::Color(),
            sp::Enabled(),
            sp::Font(),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
        },
        fw::MakeFactory<Te3Notebook>(),
    };
    return info;
}

const fw::TClassInfo& Te3_Notebook::StaticClass()
{
    using C = Te3_Notebook;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_Notebook",
        &Te3Notebook::StaticClass(),
        fw::TRows<Te3_Notebook> {
            fw::prop::BoolAction("_SetFocus", &C::FocusNotebook),
            fw::prop::Event("OnPageChanged", fw::NotifyEventType, &C::OnPageChanged),
            sp::Align(),
            sp::Anchors(),
            sp::Constraints(),
            sp::Ctl3D(),
            sp::DragCursor(),
            sp::DragMode(),
            sp::Parent(),
            sp::ParentColor(),
            sp::ParentCtl3D(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::PopupMenu(),
            sp::ShowHint(),
            sp::OnClick(),
            sp::OnDblClick(),
            sp::DragEvents(),
            sp::FocusEvents(),
            sp::MouseEvents(),
        },
        fw::MakeFactory<Te3_Notebook>(),
    };
    return info;
}

} // namespace e3
