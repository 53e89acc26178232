#include "e3/bars/NavigationBar.h"

#include "e3/common/EngineImages.h"
#include "e3/common/PlainPanel.h"
#include "framework/ApplicationException.h"
#include "framework/Graphics.h"
#include "framework/StandardProps.h"
#include "u3/Exceptions.h"
#include "u3/StrLib.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace e3 {

const fw::TEnumType LookBarStyleType {"TLookBarStyle", {"lbsOutlookPane", "lbsButtonsPane", "lbsNavigator"}};
const fw::TEnumType AutoWidthStyleType {"TAutoWidthStyle", {"awsProportional", "awsEqual", "awsCaptionWidth"}};

namespace {

constexpr int32_t BandHeight = 2000;
constexpr int32_t LargeIcon = 40;
constexpr int32_t SmallIcon = 18;
constexpr int32_t ArrowButton = 18;

int32_t StrictInteger(const std::string& text)
{
    int64_t value = 0;
    if (!u3::TryStrToInt64(u3::Trim(text), value) || value < INT32_MIN || value > INT32_MAX)
        throw u3::EConvertError("'" + text + "' is not a valid integer value");
    return static_cast<int32_t>(value);
}

std::string Field(const std::string& value, int index)
{
    return u3::ValueFieldDef(value, index, "");
}

// Nearest integer, halves to even.
int32_t RoundEven(double value)
{
    return static_cast<int32_t>(std::nearbyint(value));
}

// The three states of an arrow button side by side: up, disabled, down.
QImage ArrowGlyph(bool up)
{
    QImage image(3 * ArrowButton, ArrowButton, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    const QColor colors[] = {QColor(32, 32, 32), QColor(128, 128, 128), QColor(0, 0, 0)};
    for (int i = 0; i < 3; ++i) {
        const int x = i * ArrowButton + (i == 2 ? 1 : 0);
        const int y = i == 2 ? 1 : 0;
        p.setBrush(colors[i]);
        const QPolygon triangle = up ? QPolygon({QPoint(x + 5, y + 11), QPoint(x + 13, y + 11), QPoint(x + 9, y + 6)})
                                     : QPolygon({QPoint(x + 5, y + 7), QPoint(x + 13, y + 7), QPoint(x + 9, y + 12)});
        p.drawPolygon(triangle);
    }
    return image;
}

} // namespace

// The bar's own window: the navigator draws its gradient here, and the
// icon-size menu opens here.
class Te3CustomNavigationBar::Surface : public OwnedWidget<QWidget, Te3CustomNavigationBar> {
public:
    using OwnedWidget::OwnedWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!owner_)
            return;
        QPainter painter(this);
        owner_->Paint(painter);
    }

    void contextMenuEvent(QContextMenuEvent* event) override
    {
        if (owner_ && owner_->engineFed_)
            owner_->iconMenu_->popup(event->globalPos());
    }
};

// The caption under an icon button, with a one-pixel shadow. A left press
// clicks the button; the release then counts as the button's.
class Te3CustomNavigationBar::Caption : public QLabel {
public:
    Caption(Te3CustomNavigationBar* bar, Te3ColorSpeedButton* button, QWidget* parent)
        : QLabel(parent)
        , bar_(bar)
        , button_(button)
    {
    }

    void SetShadow(QColor text, QColor shadow)
    {
        text_ = text;
        shadow_ = shadow;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setFont(font());
        p.setPen(shadow_);
        p.drawText(rect().translated(1, 1), Qt::AlignLeft | Qt::AlignTop, text());
        p.setPen(text_);
        p.drawText(rect(), Qt::AlignLeft | Qt::AlignTop, text());
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && button_)
            fw::RunFromEventLoop([&] { button_->Click(); });
    }

    void mouseReleaseEvent(QMouseEvent*) override
    {
        if (button_ && bar_)
            fw::RunFromEventLoop([&] { bar_->IconReleased(button_.get()); });
    }

    void enterEvent(QEnterEvent*) override
    {
        if (button_)
            button_->MouseEntered();
    }

    void leaveEvent(QEvent*) override
    {
        if (button_)
            button_->MouseLeft();
    }

private:
    fw::Guard<Te3CustomNavigationBar> bar_;
    fw::Guard<Te3ColorSpeedButton> button_;
    QColor text_ = Qt::white;
    QColor shadow_ = Qt::black;
};

const fw::TClassInfo& TOutLookItem::StaticClass()
{
    using C = TOutLookItem;
    static const fw::TClassInfo info {
        "TOutLookItem",
        &fw::TPersistent::StaticClass(),
        fw::TRows<TOutLookItem> {fw::prop::Object("MainButton", Te3ColorSpeedButton::StaticClass(), &C::GetMainButton, nullptr)},
    };
    return info;
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CustomNavigationBar::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomNavigationBar", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomNavigationBar::Te3CustomNavigationBar(fw::TComponent* owner)
    : Te3Control(owner, {kHintWords, &Te3NavigationBar::StaticClass}, EnabledRule::plain)
    , surface_(new Surface(this))
    , area_(new TPlainPanel(this))
    , up_(new Te3ColorSpeedButton(this))
    , down_(new Te3ColorSpeedButton(this))
    , iconMenu_(new QMenu(surface_))
{
    OwnWidget(surface_);
    SetBounds(0, 0, 185, 41);
    area_->SetParent(this);
    for (auto [button, name, upwards] : {std::tuple {up_, "BtnUp", true}, std::tuple {down_, "BtnDown", false}}) {
        button->SetName(name);
        button->SetParent(area_);
        button->SetBounds(0, 0, ArrowButton, ArrowButton);
        button->AssignGlyph(ArrowGlyph(upwards));
        button->SetNumGlyphs(3);
        button->SetVisible(false);
    }
    up_->OnClick = [this](fw::TObject*) { ScrollUp(); };
    down_->OnClick = [this](fw::TObject*) { ScrollDown(); };
    QAction* small = iconMenu_->addAction(QStringLiteral("Small Icon"));
    QAction* large = iconMenu_->addAction(QStringLiteral("Large Icon"));
    small->setCheckable(true);
    large->setCheckable(true);
    large->setChecked(true);
    QObject::connect(small, &QAction::triggered, surface_, [this] { fw::RunFromEventLoop([this] { SetSmallIcons(true); }); });
    QObject::connect(large, &QAction::triggered, surface_, [this] { fw::RunFromEventLoop([this] { SetSmallIcons(false); }); });
    savedWidth_ = GetWidth();
    savedHeight_ = GetHeight();
}

TOutLookItem* Te3CustomNavigationBar::GetItem(int32_t index) const
{
    CheckGroup(index);
    return groups_[static_cast<size_t>(index)].get();
}

void Te3CustomNavigationBar::CheckGroup(int32_t group) const
{
    if (group < 0 || group >= GroupCount())
        throw u3::EListError(group);
}

int32_t Te3CustomNavigationBar::TotalHeaderHeight() const
{
    if (style_ == lbsButtonsPane) {
        int32_t total = 1;
        for (const auto& g : groups_)
            total += g->gap_ + headerPitch_;
        return total;
    }
    return GroupCount() * headerPitch_;
}

void Te3CustomNavigationBar::AddGroup(int32_t index, const std::string& caption, int32_t gap)
{
    auto item = std::make_unique<TOutLookItem>();
    item->gap_ = gap;
    auto* header = new Te3ColorSpeedButton(this);
    item->mainButton_ = header;
    header->SetParent(this);
    header->SetText(caption);
    header->SetColor(GetColor());
    header->SetGrayedInactive(true);
    header->SetPressedColor(selectedColor_);
    header->SetSpacing(4);
    header->SetMargin(-1);
    header->SetLayout(blGlyphLeft);
    const bool first = groups_.empty();
    if (style_ == lbsNavigator) {
        header->SetFlat(true);
        header->SetTransparent(true);
        header->SetBounds(header->GetLeft(), -1, header->GetWidth(), GetHeight() + 2);
        auto* separator = new TPlainPanel(this);
        separator->SetParent(this);
        item->separator_ = separator;
        const int32_t left = RoundEven(static_cast<double>(ClientWidth()) / (GroupCount() + 1)) + header->GetLeft()
                             - gap + 1;
        separator->SetBounds(left, -1, gap, GetHeight() + 2);
    } else if (style_ == lbsButtonsPane) {
        header->SetBounds(1, header->GetTop(), GetWidth() - 2, heightButtons_);
    } else {
        header->SetBounds(0, header->GetTop(), GetWidth(), heightButtons_);
    }
    if (style_ != lbsOutlookPane) {
        header->SetGroupIndex(1);
        header->SetGrayedInactive(false);
        header->SetMarkDropDown(false);
        if (first) {
            header->SetDown(true);
            MakeCurrent(header);
        }
    }
    header->OnClick = [this, header](fw::TObject*) { HeaderClicked(header); };
    index = std::clamp(index, 0, GroupCount());
    item->bandTop_ = index * BandHeight;
    groups_.insert(groups_.begin() + index, std::move(item));
    headerPitch_ = header->GetHeight();
    if (style_ == lbsNavigator) {
        headerPitch_ = GetHeight() - 2;
        header->Widget()->lower();
        ApplyAutoWidths();
        area_->SetBounds(area_->GetLeft(), area_->GetTop(), 0, 0);
    } else {
        area_->SetBounds(area_->GetLeft(), area_->GetTop(), GetWidth(), GetHeight() - TotalHeaderHeight());
    }
    Arrange();
}

void Te3CustomNavigationBar::FreeGroup(TOutLookItem& item)
{
    // The group's icon buttons and captions go with it. An engine reply may
    // free a group from inside a click of its own buttons: they are released,
    // not deleted on the spot.
    for (const auto& icon : item.buttons_) {
        icon.caption->hide();
        icon.caption->deleteLater();
        icon.button->OnMouseUp = nullptr;
        icon.button->Release();
    }
    item.buttons_.clear();
    if (current_ == item.mainButton_)
        current_ = nullptr;
    item.mainButton_->OnClick = nullptr;
    item.mainButton_->Release();
    if (item.separator_)
        item.separator_->Release();
}

void Te3CustomNavigationBar::DeleteGroup(int32_t index)
{
    if (index < 0 || index >= GroupCount())
        return;
    FreeGroup(*groups_[static_cast<size_t>(index)]);
    groups_.erase(groups_.begin() + index);
    ApplyAutoWidths();
    if (style_ != lbsNavigator)
        area_->SetBounds(area_->GetLeft(), area_->GetTop(), GetWidth(), GetHeight() - TotalHeaderHeight());
    Arrange();
    surface_->update();
    if (!groups_.empty())
        OpenGroup(0, nullptr);
}

void Te3CustomNavigationBar::ClearGroups()
{
    for (auto& item : groups_)
        FreeGroup(*item);
    groups_.clear();
    active_ = 0;
    current_ = nullptr;
    scrollOffset_ = 0;
    PlaceArrows();
    surface_->update();
}

void Te3CustomNavigationBar::AddIconButton(int32_t group, const std::string& caption, const QImage& large,
                                           const QImage& small)
{
    CheckGroup(group);
    TOutLookItem& item = *groups_[static_cast<size_t>(group)];
    engineFed_ = true;
    auto* button = new Te3ColorSpeedButton(this);
    button->SetParent(area_);
    button->AssignGlyph(smallIcons_ ? small : large);
    button->SetNumGlyphs(0);
    button->SetGrayedInactive(false);
    button->SetTransparent(true);
    button->SetFlat(true);
    button->OnMouseUp = [this, button](fw::TObject*, fw::TMouseButton, fw::TShiftState, int32_t, int32_t) {
        IconReleased(button);
    };
    auto* label = new Caption(this, button, area_->Widget());
    label->setFont(area_->Widget()->font());
    label->setText(QString::fromStdString(caption));
    label->SetShadow(style_ == lbsButtonsPane ? Qt::black : Qt::white, style_ == lbsButtonsPane ? Qt::white : Qt::black);
    label->adjustSize();
    label->resize(label->width() + 1, label->height() + 1);
    label->show();
    if (item.buttons_.empty())
        item.bandTop_ = group * BandHeight;
    item.buttons_.push_back({button, label, small, large});
    textOffset_ = QFontMetrics(label->font()).height();
    itemPitch_ = textOffset_ + (smallIcons_ ? SmallIcon : LargeIcon + 1);
    PlaceIcon(item, item.buttons_.size() - 1);
    up_->Widget()->raise();
    down_->Widget()->raise();
}

void Te3CustomNavigationBar::PlaceIcon(const TOutLookItem& item, size_t j)
{
    const auto& icon = item.buttons_[j];
    const int32_t t = item.bandTop_ + static_cast<int32_t>(j) * itemPitch_ + scrollOffset_;
    const int32_t areaWidth = area_->GetWidth();
    if (smallIcons_) {
        icon.button->SetBounds(1, t + 1, SmallIcon, SmallIcon);
        icon.caption->move(21, t + (SmallIcon - textOffset_) / 2 + 1);
    } else {
        icon.button->SetBounds((areaWidth - LargeIcon) / 2, t + 1, LargeIcon, LargeIcon);
        icon.caption->move((areaWidth - icon.caption->width()) / 2, t + LargeIcon + 1);
    }
}

void Te3CustomNavigationBar::PlaceIcons()
{
    for (const auto& item : groups_)
        for (size_t j = 0; j < item->buttons_.size(); ++j)
            PlaceIcon(*item, j);
}

void Te3CustomNavigationBar::SetSmallIcons(bool value)
{
    smallIcons_ = value;
    const QList<QAction*> actions = iconMenu_->actions();
    actions[0]->setChecked(value);
    actions[1]->setChecked(!value);
    itemPitch_ = textOffset_ + (value ? SmallIcon : LargeIcon + 1);
    if (!groups_.empty() && active_ < GroupCount()) {
        const TOutLookItem& open = *groups_[static_cast<size_t>(active_)];
        scrollOffset_ = -(open.bandTop_ + open.firstVisible_ * itemPitch_);
    }
    for (const auto& item : groups_)
        for (const auto& icon : item->buttons_)
            icon.button->AssignGlyph(value ? icon.small : icon.large);
    PlaceIcons();
    Arrange();
}

void Te3CustomNavigationBar::Arrange()
{
    if (style_ == lbsNavigator || groups_.empty())
        return;
    const int32_t count = GroupCount();
    if (style_ == lbsButtonsPane) {
        int32_t sum = 0;
        for (const auto& item : groups_) {
            Te3ColorSpeedButton* h = item->mainButton_;
            h->SetBounds(h->GetLeft(), sum + 1, h->GetWidth(), h->GetHeight());
            sum += item->gap_ + headerPitch_;
        }
        area_->SetBounds(0, sum + 1, area_->GetWidth(), area_->GetHeight());
    } else {
        for (int32_t i = 0; i < count; ++i) {
            Te3ColorSpeedButton* h = groups_[static_cast<size_t>(i)]->mainButton_;
            const int32_t top = i <= active_ ? i * headerPitch_ : GetHeight() - headerPitch_ * (count - i);
            h->SetBounds(h->GetLeft(), top, h->GetWidth(), h->GetHeight());
        }
        area_->SetBounds(0, (active_ + 1) * headerPitch_, area_->GetWidth(), area_->GetHeight());
    }
    PlaceArrows();
}

void Te3CustomNavigationBar::PlaceArrows()
{
    const int32_t left = GetWidth() - ArrowButton - 5;
    up_->SetBounds(left, 5, ArrowButton, ArrowButton);
    down_->SetBounds(left, area_->GetHeight() - headerPitch_ - 5, ArrowButton, ArrowButton);
    if (groups_.empty() || active_ >= GroupCount()) {
        up_->SetVisible(false);
        down_->SetVisible(false);
        return;
    }
    const TOutLookItem& open = *groups_[static_cast<size_t>(active_)];
    up_->SetVisible(open.firstVisible_ > 0);
    down_->SetVisible(area_->GetHeight() < (open.ButtonCount() - open.firstVisible_) * itemPitch_);
    up_->Widget()->raise();
    down_->Widget()->raise();
}

void Te3CustomNavigationBar::ScrollDown()
{
    if (groups_.empty() || active_ >= GroupCount())
        return;
    ++groups_[static_cast<size_t>(active_)]->firstVisible_;
    scrollOffset_ -= itemPitch_;
    PlaceIcons();
    PlaceArrows();
}

void Te3CustomNavigationBar::ScrollUp()
{
    if (groups_.empty() || active_ >= GroupCount())
        return;
    --groups_[static_cast<size_t>(active_)]->firstVisible_;
    scrollOffset_ += itemPitch_;
    PlaceIcons();
    PlaceArrows();
}

void Te3CustomNavigationBar::MakeCurrent(Te3ColorSpeedButton* header)
{
    if (current_ && current_ != header)
        current_->GetFont()->SetStyle(current_->GetFont()->GetStyle() & ~(1u << fw::fsBold));
    current_ = header;
    if (header)
        header->GetFont()->SetStyle(header->GetFont()->GetStyle() | (1u << fw::fsBold));
    if (autoWidth_ == awsCaptionWidth)
        ApplyAutoWidths();
}

void Te3CustomNavigationBar::OpenGroup(int32_t group, Te3ColorSpeedButton* clickedHeader)
{
    CheckGroup(group);
    active_ = group;
    TOutLookItem& item = *groups_[static_cast<size_t>(group)];
    if (!clickedHeader && (style_ == lbsButtonsPane || style_ == lbsNavigator))
        item.mainButton_->SetDown(true);
    scrollOffset_ = -(item.firstVisible_ * itemPitch_ + item.bandTop_);
    PlaceIcons();
    Arrange();
    PlaceArrows();
    if (clickedHeader && clickedHeader->CanFocus())
        clickedHeader->SetFocus();
    Report(group, -1);
}

void Te3CustomNavigationBar::HeaderClicked(Te3ColorSpeedButton* header)
{
    for (int32_t i = 0; i < GroupCount(); ++i)
        if (groups_[static_cast<size_t>(i)]->mainButton_ == header) {
            OpenGroup(i, header);
            return;
        }
    Report(-1, -1);
}

void Te3CustomNavigationBar::IconReleased(Te3ColorSpeedButton* button)
{
    if (active_ < 0 || active_ >= GroupCount())
        return;
    const auto& buttons = groups_[static_cast<size_t>(active_)]->buttons_;
    for (size_t j = 0; j < buttons.size(); ++j)
        if (buttons[j].button == button) {
            Report(active_, static_cast<int32_t>(j));
            return;
        }
    // A button that is not the open group's reports nothing.
}

void Te3CustomNavigationBar::Report(int32_t group, int32_t button)
{
    if (group >= 0 && group < GroupCount())
        MakeCurrent(groups_[static_cast<size_t>(group)]->mainButton_);
    if (OnClickLookBar)
        OnClickLookBar(this, group, button);
}

void Te3CustomNavigationBar::ApplyAutoWidths()
{
    if (style_ != lbsNavigator || groups_.empty())
        return;
    const QFontMetrics metrics(GetFont()->ToQFont());
    int32_t running = 0;
    switch (autoWidth_) {
    case awsProportional:
        for (const auto& item : groups_) {
            Te3ColorSpeedButton* h = item->mainButton_;
            const QString caption = QString::fromStdString(h->GetText());
            const int32_t glyph = h->GetGlyph() && !h->GetGlyph()->Empty() ? h->GetGlyph()->Image().width() : 0;
            const int32_t w = metrics.horizontalAdvance(QLatin1Char('W') + caption + QLatin1Char('W')) + glyph
                              + h->GetSpacing();
            h->SetBounds(running - 1, h->GetTop(), w + 2, h->GetHeight());
            item->separator_->SetBounds(running + w, item->separator_->GetTop(), item->gap_,
                                        item->separator_->GetHeight());
            running += w + item->gap_;
        }
        NormaliseWidths();
        break;
    case awsEqual: {
        const int32_t a = GetWidth() / GroupCount();
        for (const auto& item : groups_) {
            Te3ColorSpeedButton* h = item->mainButton_;
            h->SetBounds(running - 1, h->GetTop(), a + 2, h->GetHeight());
            item->separator_->SetBounds(running + a, item->separator_->GetTop(), item->gap_,
                                        item->separator_->GetHeight());
            running += a + item->gap_;
        }
        NormaliseWidths();
        break;
    }
    case awsCaptionWidth:
        for (const auto& item : groups_) {
            Te3ColorSpeedButton* h = item->mainButton_;
            QFont font = GetFont()->ToQFont();
            font.setBold(h == current_);
            const int32_t width = QFontMetrics(font).horizontalAdvance(QString::fromStdString(h->GetText()))
                                  + captionMargin_ + h->GetSpacing() + 22;
            h->SetBounds(running - 1, h->GetTop(), width + 2, h->GetHeight());
            item->separator_->SetBounds(running + width, item->separator_->GetTop(), item->gap_,
                                        item->separator_->GetHeight());
            running += item->gap_ + width;
        }
        break;
    }
}

void Te3CustomNavigationBar::NormaliseWidths()
{
    int64_t sum = 0;
    for (const auto& item : groups_)
        sum += item->mainButton_->GetWidth() + item->gap_ - 2;
    if (sum <= 0)
        return;
    int32_t running = 0;
    const int32_t barWidth = GetWidth();
    for (size_t i = 0; i < groups_.size(); ++i) {
        TOutLookItem& item = *groups_[i];
        Te3ColorSpeedButton* h = item.mainButton_;
        const int32_t hw = h->GetWidth();
        int32_t width = 0;
        if (i + 1 == groups_.size()) {
            item.share_ = static_cast<int32_t>((static_cast<int64_t>(hw) * 1000 - 2000) / sum) + 1;
            width = barWidth - running + 3;
        } else {
            item.share_ = static_cast<int32_t>(static_cast<int64_t>(hw + item.gap_ - 2) * 1000 / sum) + 1;
            width = RoundEven(static_cast<double>(item.share_) * barWidth / 1000) - item.gap_ + 2;
        }
        h->SetBounds(running - 1, h->GetTop(), width, h->GetHeight());
        item.separator_->SetBounds(h->GetLeft() + h->GetWidth() - 1, item.separator_->GetTop(), item.gap_,
                                   item.separator_->GetHeight());
        running = item.separator_->GetLeft() + item.separator_->GetWidth();
        h->Widget()->lower();
    }
}

void Te3CustomNavigationBar::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    fw::TWinControl::SetBounds(left, top, width, height);
    if (!area_)
        return;
    const bool changed = width != savedWidth_ || height != savedHeight_;
    if (groups_.empty() || !changed) {
        savedWidth_ = width;
        savedHeight_ = height;
        return;
    }
    if (style_ != lbsNavigator) {
        if (height != savedHeight_)
            area_->SetBounds(area_->GetLeft(), area_->GetTop(), area_->GetWidth(), height - TotalHeaderHeight());
        if (width != savedWidth_) {
            area_->SetBounds(area_->GetLeft(), area_->GetTop(), width, area_->GetHeight());
            for (const auto& item : groups_) {
                Te3ColorSpeedButton* h = item->mainButton_;
                h->SetBounds(h->GetLeft(), h->GetTop(), style_ == lbsButtonsPane ? width - 2 : width, h->GetHeight());
            }
            if (!smallIcons_)
                PlaceIcons();
        }
        Arrange();
    } else if (autoWidth_ != awsCaptionWidth) {
        int32_t running = 0;
        for (size_t i = 0; i < groups_.size(); ++i) {
            TOutLookItem& item = *groups_[i];
            Te3ColorSpeedButton* h = item.mainButton_;
            if (item.share_ == 0 && savedWidth_ > 0)
                item.share_ = (h->GetWidth() + item.gap_ - 2) * 1000 / savedWidth_ + 1;
            const int32_t w = i + 1 == groups_.size()
                                  ? width - running + 3
                                  : RoundEven(static_cast<double>(item.share_) * width / 1000) - item.gap_ + 2;
            h->SetBounds(running - 1, h->GetTop(), w, height + 1);
            item.separator_->SetBounds(h->GetLeft() + h->GetWidth() - 1, item.separator_->GetTop(), item.gap_,
                                       height + 2);
            running = item.separator_->GetLeft() + item.separator_->GetWidth();
        }
    } else {
        return; // the caption-width layout keeps its widths and the old size
    }
    savedWidth_ = width;
    savedHeight_ = height;
}

void Te3CustomNavigationBar::Paint(QPainter& painter)
{
    const QRect r = surface_->rect();
    const QColor color = fw::ToQColor(GetColor());
    if (style_ != lbsNavigator) {
        painter.fillRect(r, color);
        return;
    }
    const int gradient = static_cast<int>(r.height() * 0.75);
    const QColor top = fw::ToQColor(selectedColor_);
    // 255 bands from the selected colour down to the bar's colour.
    for (int i = 0; i < 255 && gradient > 0; ++i) {
        const int y0 = gradient * i / 255;
        const int y1 = gradient * (i + 1) / 255;
        if (y1 <= y0)
            continue;
        const auto mix = [&](int a, int b) { return a + (b - a) * i / 254; };
        painter.fillRect(QRect(0, y0, r.width(), y1 - y0),
                         QColor(mix(top.red(), color.red()), mix(top.green(), color.green()),
                                mix(top.blue(), color.blue())));
    }
    painter.fillRect(QRect(0, gradient, r.width(), r.height() - gradient), color);
    for (const auto& item : groups_)
        item->mainButton_->SetTransparent(!item->mainButton_->GetDown());
}

void Te3CustomNavigationBar::SetStyle(TLookBarStyle value)
{
    if (!groups_.empty())
        return;
    style_ = value;
    surface_->update();
}

void Te3CustomNavigationBar::SetAutoWidthStyle(TAutoWidthStyle value)
{
    autoWidth_ = value;
    ApplyAutoWidths();
}

void Te3CustomNavigationBar::SetHeightButtons(int32_t value)
{
    if (value <= 0)
        return;
    heightButtons_ = value;
    for (const auto& item : groups_) {
        Te3ColorSpeedButton* h = item->mainButton_;
        h->SetBounds(h->GetLeft(), h->GetTop(), h->GetWidth(), value);
    }
    headerPitch_ = value;
    Arrange();
}

void Te3CustomNavigationBar::SetSelectedColor(fw::TColor value)
{
    selectedColor_ = value;
    for (const auto& item : groups_)
        item->mainButton_->SetPressedColor(value);
    surface_->update();
}

void Te3CustomNavigationBar::SetEnabled(bool value)
{
    for (const auto& item : groups_)
        item->mainButton_->GetFont()->SetColor(value ? fw::clWindowText : fw::clGrayText);
    Te3Control::SetEnabled(value);
}

// --- the engine's actions -------------------------------------------------------

void Te3CustomNavigationBar::ActAddButton(const std::string& value)
{
    const int32_t gap = StrictInteger(Field(value, 1));
    AddGroup(GroupCount(), Field(value, 0), gap);
}

void Te3CustomNavigationBar::ActInsertButton(const std::string& value)
{
    const int32_t index = StrictInteger(Field(value, 0));
    const int32_t gap = StrictInteger(Field(value, 2));
    if (index < 0)
        return;
    AddGroup(std::min(index, GroupCount()), Field(value, 1), gap);
}

void Te3CustomNavigationBar::ActDeleteButton(const std::string& value)
{
    DeleteGroup(StrictInteger(Field(value, 0)));
}

void Te3CustomNavigationBar::ActClearButtons()
{
    ClearGroups();
}

void Te3CustomNavigationBar::ActAddHExplorerButton(const std::string& value)
{
    const int32_t group = StrictInteger(Field(value, 0));
    CheckGroup(group);
    AddIconButton(group, Field(value, 1), EngineImage(Field(value, 2)), EngineImage(Field(value, 3)));
}

void Te3CustomNavigationBar::ActSetButtonGlyph(const std::string& value)
{
    const int32_t group = StrictInteger(Field(value, 0));
    if (group < 0 || group >= GroupCount())
        return;
    const std::string name = Field(value, 1);
    groups_[static_cast<size_t>(group)]->mainButton_->AssignGlyph(name.empty() ? QImage() : EngineImage(name));
}

void Te3CustomNavigationBar::ActSetExplorerButtonGlyph(const std::string& value)
{
    const int32_t group = StrictInteger(Field(value, 0));
    const int32_t button = StrictInteger(Field(value, 1));
    const std::string name = Field(value, 2);
    CheckGroup(group);
    const auto& buttons = groups_[static_cast<size_t>(group)]->buttons_;
    if (button < 0 || button >= static_cast<int32_t>(buttons.size()))
        throw u3::EListError(button);
    if (!u3::Trim(name).empty())
        buttons[static_cast<size_t>(button)].button->AssignGlyph(EngineImage(name));
}

void Te3CustomNavigationBar::ActClickLookBar(const std::string& value)
{
    OpenGroup(StrictInteger(value), nullptr);
}

void Te3CustomNavigationBar::ActButtonClickN(int32_t value)
{
    OpenGroup(value, nullptr);
}

void Te3CustomNavigationBar::ActReDrawSize(const std::string&)
{
    ApplyAutoWidths();
}

void Te3CustomNavigationBar::SetFocus()
{
    surface_->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3NavigationBar::StaticClass()
{
    using C = Te3NavigationBar;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3NavigationBar",
        &Te3CustomNavigationBar::StaticClass(),
        fw::TRows<Te3NavigationBar> {
            fw::prop::Integer("HeightButtons", &C::GetHeightButtons, &C::SetHeightButtons),
            fw::prop::Integer("SelectedColor", &C::GetSelectedColor, &C::SetSelectedColor),
            sp::Color(),
            sp::Enabled(),
            sp::Font(),
            fw::prop::Boolean("SmallIcons", &C::GetSmallIcons, &C::SetSmallIcons),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
        },
        fw::MakeFactory<Te3NavigationBar>(),
    };
    return info;
}

const fw::TClassInfo& Te3_NavigationBar::StaticClass()
{
    using C = Te3_NavigationBar;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_NavigationBar",
        &Te3NavigationBar::StaticClass(),
        fw::TRows<Te3_NavigationBar> {
            fw::prop::Enum("Style", LookBarStyleType, &C::GetStyle, &C::SetStyle),
            fw::prop::Enum("AutoWidthStyle", AutoWidthStyleType, &C::GetAutoWidthStyle, &C::SetAutoWidthStyle),
            fw::prop::Event("OnClickLookBar", fw::LookBarClickEventType, &C::OnClickLookBar),
            sp::Align(),
            sp::Anchors(),
            sp::Constraints(),
            sp::BevelInner(),
            sp::BevelOuter(),
            sp::BevelWidth(),
            sp::DockSite(),
            sp::DragCursor(),
            sp::DragKind(),
            sp::DragMode(),
            sp::Parent(),
            sp::ParentColor(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::PopupMenu(),
            sp::ShowHint(),
            sp::UseDockManager(),
            fw::prop::StringAction("_AddButton", &C::ActAddButton),
            fw::prop::StringAction("_InsertButton", &C::ActInsertButton),
            fw::prop::StringAction("_DeleteButton", &C::ActDeleteButton),
            fw::prop::BoolAction("_ClearButtons", &C::ActClearButtons),
            fw::prop::StringAction("_AddHExplorerButton", &C::ActAddHExplorerButton),
            fw::prop::StringAction("_SetButtonGlyph", &C::ActSetButtonGlyph),
            fw::prop::StringAction("_SetExplorerButtonGlyph", &C::ActSetExplorerButtonGlyph),
            fw::prop::StringAction("_ClickLookBar", &C::ActClickLookBar),
            fw::prop::Ordinal<C, int32_t>("_ButtonClickN", fw::TypeKind::Integer, nullptr, &C::ActButtonClickN),
            fw::prop::StringAction("_ReDrawSize", &C::ActReDrawSize),
            fw::prop::BoolAction("_SetFocus", &C::SetFocus),
            sp::ResizeQuestions(),
            sp::OnClick(),
            sp::OnContextPopup(),
            sp::OnDblClick(),
            sp::DockSiteEvents(),
            sp::DragEvents(),
            sp::DockEvents(),
            sp::FocusEvents(),
            sp::MouseEvents(),
            sp::OnResize(),
        },
        fw::MakeFactory<Te3_NavigationBar>(),
    };
    return info;
}

} // namespace e3
