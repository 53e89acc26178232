#include "e3/common/Contract.h"

#include <QEvent>
#include <QPainter>
#include <QPolygon>

namespace e3 {

bool WordListContains(std::string_view wordList, const std::string& propName)
{
    return !propName.empty() && wordList.find(fw::UpperCase(propName)) != std::string_view::npos;
}

bool WordListHasWord(std::string_view wordList, const std::string& propName)
{
    return !propName.empty() && wordList.find(" " + fw::UpperCase(propName) + " ") != std::string_view::npos;
}

namespace {

std::optional<bool> ReadBool(const fw::TPropInfo* p, fw::TObject& object)
{
    if (!p || !p->IsReadable() || p->kind != fw::TypeKind::Boolean)
        return std::nullopt;
    const fw::PropValue v = p->get(object);
    if (const auto* ordinal = std::get_if<int64_t>(&v))
        return *ordinal != 0;
    return std::nullopt;
}

bool WriteBool(const fw::TPropInfo* p, fw::TObject& object, bool value)
{
    if (!p || !p->IsWritable() || p->kind != fw::TypeKind::Boolean)
        return false;
    p->set(object, fw::PropValue(int64_t {value ? 1 : 0}));
    return true;
}

// The cascades run on the GUI thread; a cache per thread keeps one that runs
// elsewhere (a test's own thread, say) from sharing it.
const PublishedBool& EnablingProperty()
{
    static thread_local const PublishedBool property {"Enabling"};
    return property;
}

const PublishedBool& LockedEditProperty()
{
    static thread_local const PublishedBool property {"LockedEdit"};
    return property;
}

} // namespace

std::optional<bool> ReadPublishedBool(fw::TObject& object, const std::string& name)
{
    return ReadBool(object.ClassType().FindProperty(name), object);
}

bool WritePublishedBool(fw::TObject& object, const std::string& name, bool value)
{
    return WriteBool(object.ClassType().FindProperty(name), object, value);
}

const fw::TPropInfo* PublishedBool::Find(const fw::TClassInfo& cls) const
{
    if (&cls == lastClass_)
        return lastProperty_;
    auto it = byClass_.find(&cls);
    if (it == byClass_.end())
        it = byClass_.emplace(&cls, cls.FindProperty(name_)).first;
    lastClass_ = &cls;
    lastProperty_ = it->second;
    return lastProperty_;
}

std::optional<bool> PublishedBool::Read(fw::TObject& object) const
{
    return ReadBool(Find(object.ClassType()), object);
}

bool PublishedBool::Write(fw::TObject& object, bool value) const
{
    return WriteBool(Find(object.ClassType()), object, value);
}

bool InheritsFromNamed::operator()(const fw::TClassInfo& cls) const
{
    if (&cls == lastClass_)
        return lastAnswer_;
    auto it = byClass_.find(&cls);
    if (it == byClass_.end())
        it = byClass_.emplace(&cls, cls.InheritsFromName(name_)).first;
    lastClass_ = &cls;
    lastAnswer_ = it->second;
    return lastAnswer_;
}

// ---------------------------------------------------------------------------

bool EnabledWish::IsOwnChange(const fw::TControl& control)
{
    fw::TWinControl* parent = control.Parent();
    if (!parent)
        return true;
    const std::optional<bool> enabling = EnablingProperty().Read(*parent);
    return !enabling || !*enabling;
}

bool EnabledWish::Decide(const fw::TControl& control, bool value, bool refuseEnable)
{
    fw::TWinControl* parent = control.Parent();
    if (!parent)
        return true;
    const std::optional<bool> enabling = EnablingProperty().Read(*parent);
    if (!enabling || !*enabling)
        wish_ = value;
    if (!value)
        return true;
    if (refuseEnable)
        return false;
    return !enabling || (parent->GetEnabled() && wish_);
}

void ContainerCascade::SetLockedEdit(fw::TWinControl& self, bool value,
                                     const std::function<bool(const fw::TControl&)>& skipChild)
{
    if (value == lockedEdit_)
        return;
    {
        EnablingScope scope(enabling_);
        for (fw::TControl* child : std::vector<fw::TControl*>(self.ChildControls()))
            if (!skipChild || !skipChild(*child))
                LockedEditProperty().Write(*child, value);
    }
    lockedEdit_ = value;
}

// ---------------------------------------------------------------------------

std::array<QPoint, 3> MarkerCorners(int controlWidth, int bevelWidth, int markerWidth, int markerHeight,
                                    MarkerPlacement placement)
{
    const int right = controlWidth - placement.rightInset - bevelWidth;
    const int top = bevelWidth + placement.topOffset;
    return {QPoint(right - markerWidth, top), QPoint(right, top), QPoint(right, top + markerHeight)};
}

MandatoryMarker::MandatoryMarker(QWidget* control)
    : QWidget(control)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    control->installEventFilter(this);
    setGeometry(control->rect());
    Refresh();
}

void MandatoryMarker::SetShow(bool value)
{
    show_ = value;
    Refresh();
}

void MandatoryMarker::SetWidth(int32_t value)
{
    width_ = value;
    Refresh();
}

void MandatoryMarker::SetHeight(int32_t value)
{
    height_ = value;
    Refresh();
}

void MandatoryMarker::SetColor(fw::TColor value)
{
    color_ = value;
    Refresh();
}

void MandatoryMarker::SetControlState(bool hasParent, bool enabled)
{
    if (hasParent == hasParent_ && enabled == enabled_)
        return;
    hasParent_ = hasParent;
    enabled_ = enabled;
    Refresh();
}

void MandatoryMarker::SetPlacement(int bevelWidth, MarkerPlacement placement)
{
    bevelWidth_ = bevelWidth;
    placement_ = placement;
    Refresh();
}

std::array<QPoint, 3> MandatoryMarker::Corners() const
{
    const QWidget* control = parentWidget();
    return MarkerCorners(control ? control->width() : width(), bevelWidth_, width_, height_, placement_);
}

void MandatoryMarker::Refresh()
{
    setVisible(IsDrawn());
    if (IsDrawn()) {
        raise();
        update();
    }
}

bool MandatoryMarker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget()) {
        if (event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        else if (event->type() == QEvent::ChildAdded && IsDrawn())
            raise();
    }
    return QWidget::eventFilter(watched, event);
}

void MandatoryMarker::paintEvent(QPaintEvent*)
{
    if (!IsDrawn())
        return;
    const std::array<QPoint, 3> corners = Corners();
    QPainter painter(this);
    const QColor colour = fw::ToQColor(DrawnColor());
    painter.setPen(colour);
    painter.setBrush(colour);
    painter.drawPolygon(QPolygon({corners[0], corners[1], corners[2]}));
}

LazyMandatoryMarker::LazyMandatoryMarker(QWidget* control, int bevelWidth, MarkerPlacement placement)
    : control_(control)
    , bevelWidth_(bevelWidth)
    , placement_(placement)
{
}

void LazyMandatoryMarker::SetShow(bool value)
{
    show_ = value;
    if (widget_)
        widget_->SetShow(value);
    else
        MakeWhenDrawn();
}

void LazyMandatoryMarker::SetWidth(int32_t value)
{
    width_ = value;
    if (widget_)
        widget_->SetWidth(value);
    else
        MakeWhenDrawn();
}

void LazyMandatoryMarker::SetHeight(int32_t value)
{
    height_ = value;
    if (widget_)
        widget_->SetHeight(value);
    else
        MakeWhenDrawn();
}

void LazyMandatoryMarker::SetColor(fw::TColor value)
{
    color_ = value;
    if (widget_)
        widget_->SetColor(value);
    else
        MakeWhenDrawn();
}

void LazyMandatoryMarker::SetControlState(bool hasParent, bool enabled)
{
    hasParent_ = hasParent;
    enabled_ = enabled;
    if (widget_)
        widget_->SetControlState(hasParent, enabled);
    else
        MakeWhenDrawn();
}

void LazyMandatoryMarker::SetPlacement(MarkerPlacement placement)
{
    placement_ = placement;
    if (widget_)
        widget_->SetPlacement(bevelWidth_, placement);
}

MandatoryMarker& LazyMandatoryMarker::Widget() const
{
    if (!widget_) {
        auto* marker = new MandatoryMarker(control_);
        marker->SetPlacement(bevelWidth_, placement_);
        marker->SetWidth(width_);
        marker->SetHeight(height_);
        marker->SetColor(color_);
        marker->SetControlState(hasParent_, enabled_);
        marker->SetShow(show_);
        widget_ = marker;
    }
    return *widget_;
}

void LazyMandatoryMarker::MakeWhenDrawn()
{
    if (show_ && hasParent_ && control_)
        Widget();
}

void ShowLoadedColor(fw::TControl& control, const ColorContract& colors)
{
    if (!control.GetEnabled() && control.Parent() && !control.HasState(fw::csDesigning))
        control.SetColor(colors.disabledColor);
}

void ShowEnabledColor(fw::TControl& control, const ColorContract& colors, bool value, bool applied, bool readOnly)
{
    if (!value) {
        if (!control.HasState(fw::csLoading | fw::csReading | fw::csDesigning))
            control.SetColor(colors.disabledColor);
    } else if (applied && !readOnly) {
        control.SetColor(colors.normalColor);
    }
}

void ChangeDisabledColor(fw::TControl& control, ColorContract& colors, fw::TColor value, bool readOnly)
{
    colors.disabledColor = value;
    if (!control.GetEnabled() || readOnly)
        control.SetColor(value);
}

void ShowReadOnlyColor(fw::TControl& control, ColorContract& colors, bool readOnly, bool locked)
{
    if (control.HasState(fw::csDesigning))
        return;
    if (readOnly) {
        if (control.GetEnabled() && !locked)
            colors.normalColor = control.GetColor();
        control.SetColor(colors.disabledColor);
    } else if (control.GetEnabled() && !locked) {
        control.SetColor(colors.normalColor);
    }
}

} // namespace e3
