#include "e3/trees/TreeView.h"

#include "e3/common/EngineImages.h"
#include "e3/common/OwnedWidget.h"
#include "framework/ApplicationException.h"
#include "framework/Graphics.h"
#include "framework/StandardProps.h"
#include "u3/Exceptions.h"
#include "u3/StrLib.h"

#include <QBitmap>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace e3 {

namespace {

constexpr int IdRole = Qt::UserRole + 50;
constexpr int ImageRole = Qt::UserRole + 51;
constexpr int StateRole = Qt::UserRole + 52;

constexpr fw::TColor GreyNode = 8421504;
constexpr int ArrowSize = 16;

// The framework's integer conversion: raises for anything but a number.
int32_t StrictInteger(std::string_view text)
{
    int64_t value = 0;
    if (!u3::TryStrToInt64(u3::Trim(text), value) || value < INT32_MIN || value > INT32_MAX)
        throw u3::EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return static_cast<int32_t>(value);
}

int32_t IntegerOr(const std::string& text, int32_t fallback)
{
    int64_t value = 0;
    if (!u3::TryStrToInt64(u3::Trim(text), value) || value < INT32_MIN || value > INT32_MAX)
        return fallback;
    return static_cast<int32_t>(value);
}

std::string Field(const std::string& value, int index)
{
    return u3::ValueFieldDef(value, index, "");
}

// The first N fields of a value, each what Field gives for its index, found
// in one pass and without copies (a tree is filled by thousands of values).
// The separator is looked for as the field scan does: after a partial match
// the scan goes on behind the mismatching character.
template <size_t N>
std::array<std::string_view, N> FirstFields(std::string_view s)
{
    static constexpr std::string_view separator = "<|>";
    std::array<std::string_view, N> fields {};
    if (s.empty())
        return fields;
    const size_t n = s.size();
    size_t count = 0;
    size_t start = 0;
    size_t p = 0;
    while (p < n && count < N) {
        p = s.find(separator[0], p);
        if (p == std::string_view::npos)
            break;
        size_t k = 1;
        while (k < separator.size() && p + k < n && s[p + k] == separator[k])
            ++k;
        if (k == separator.size()) {
            fields[count++] = s.substr(start, p - start);
            p += separator.size();
            start = p;
        } else {
            p += k + 1;
        }
    }
    if (count < N)
        fields[count] = s.substr(start);
    return fields;
}

int Depth(const QTreeWidgetItem* node)
{
    int depth = 0;
    for (const QTreeWidgetItem* p = node->parent(); p; p = p->parent())
        ++depth;
    return depth;
}

// The arrows that stand for expanded and collapsed nodes: dark triangles on
// white, white being transparent.
QPixmap Arrow(bool down)
{
    QImage image(ArrowSize, ArrowSize, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(64, 64, 64));
        const QPolygon triangle = down ? QPolygon({QPoint(4, 6), QPoint(12, 6), QPoint(8, 10)})
                                       : QPolygon({QPoint(6, 4), QPoint(10, 8), QPoint(6, 12)});
        p.drawPolygon(triangle);
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setMask(pixmap.createMaskFromColor(Qt::white));
    return pixmap;
}

// A node keeps its id and picture index as members: they are set once per
// node, and the item's general role list costs an allocation and a search
// for each of them. Reading and writing them by role works as for any role.
class Node : public QTreeWidgetItem {
public:
    Node(int32_t id, int32_t image)
        : QTreeWidgetItem(UserType)
        , id_(id)
        , image_(image)
    {
        setFlags(flags() | Qt::ItemIsEditable);
    }

    QVariant data(int column, int role) const override
    {
        if (column == 0 && role == IdRole)
            return id_;
        if (column == 0 && role == ImageRole)
            return image_;
        return QTreeWidgetItem::data(column, role);
    }

    void setData(int column, int role, const QVariant& value) override
    {
        if (column != 0 || (role != IdRole && role != ImageRole)) {
            QTreeWidgetItem::setData(column, role, value);
            return;
        }
        int32_t& field = role == IdRole ? id_ : image_;
        const int32_t v = value.toInt();
        if (v == field)
            return;
        field = v;
        emitDataChanged();
    }

private:
    int32_t id_;
    int32_t image_;
};

std::string CleanBlanks(const QString& text)
{
    QString t = text;
    // Blanks and control characters go from both ends.
    qsizetype b = 0;
    while (b < t.size() && t[b].unicode() <= ' ')
        ++b;
    qsizetype e = t.size();
    while (e > b && t[e - 1].unicode() <= ' ')
        --e;
    t = t.mid(b, e - b);
    QString out;
    out.reserve(t.size());
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i] == QLatin1Char(' ') && !out.isEmpty() && out.back() == QLatin1Char(' '))
            continue;
        out.append(t[i]);
    }
    return out.toStdString();
}

} // namespace

// The Qt tree. Expanding, collapsing and every change of the selection by
// the user come here first, so that the engine can refuse them.
class Te3CustomTreeView::View : public OwnedWidget<QTreeWidget, Te3CustomTreeView> {
public:
    explicit View(Te3CustomTreeView* owner)
        : OwnedWidget(owner)
    {
        setColumnCount(1);
        setHeaderHidden(true);
        setUniformRowHeights(true);
        setItemsExpandable(false); // the engine decides every expansion
        setExpandsOnDoubleClick(false);
        setEditTriggers(EditKeyPressed | SelectedClicked);
        header()->setStretchLastSection(true);
    }

    QTreeWidgetItem* ItemOf(const QModelIndex& index) const { return itemFromIndex(index); }
    QModelIndex IndexOf(QTreeWidgetItem* item) const { return indexFromItem(item); }
    QWidget* Editor() const
    {
        const QModelIndex current = currentIndex();
        return current.isValid() && state() == EditingState ? indexWidget(current) : nullptr;
    }
    QRect IconRect(QTreeWidgetItem* item) const
    {
        if (!owner_ || !owner_->showImages_ || NodeImage(item) < 0)
            return {};
        QRect r = visualRect(IndexOf(item));
        if (owner_->showState_)
            r.setLeft(r.left() + ArrowSize);
        return QRect(r.left() + 3, r.top(), owner_->imageWidth_, r.height());
    }

protected:
    bool InBranchArea(QTreeWidgetItem* item, const QPoint& pos) const
    {
        const QRect r = visualRect(IndexOf(item));
        return pos.x() < r.left() && pos.x() >= r.left() - indentation();
    }

    void Toggle(QTreeWidgetItem* item)
    {
        fw::RunFromEventLoop([&] {
            if (item->isExpanded())
                owner_->CollapseNode(item);
            else
                owner_->ExpandNode(item);
        });
    }

    // Asks the engine before the selection moves to item; false when it
    // refused or the control went away meanwhile.
    bool MayChangeTo(QTreeWidgetItem* item)
    {
        if (!item || item == currentItem())
            return true;
        fw::Guard<Te3CustomTreeView> alive(owner_);
        bool allow = true;
        fw::RunFromEventLoop([&] { allow = owner_->AllowChange(item); });
        return alive && owner_ && allow;
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (!owner_) {
            QTreeWidget::mousePressEvent(event);
            return;
        }
        const QPoint pos = event->position().toPoint();
        QTreeWidgetItem* item = itemAt(pos);
        owner_->iconClick_ = item && IconRect(item).contains(pos);
        if (item && InBranchArea(item, pos)) {
            if (item->childCount() > 0 && owner_->showButtons_ && event->button() == Qt::LeftButton)
                Toggle(item);
            return;
        }
        if (event->button() == Qt::RightButton) {
            if (owner_->rightClickSelect_ && item)
                fw::RunFromEventLoop([&] { owner_->SelectNode(item); });
            return;
        }
        if (!MayChangeTo(item))
            return;
        QTreeWidget::mousePressEvent(event);
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        QTreeWidgetItem* item = owner_ ? itemAt(event->position().toPoint()) : nullptr;
        if (item && event->button() == Qt::LeftButton && item->childCount() > 0
            && !InBranchArea(item, event->position().toPoint())) {
            fw::Guard<Te3CustomTreeView> alive(owner_);
            Toggle(item);
            if (!alive)
                return;
        }
        QTreeWidget::mouseDoubleClickEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QTreeWidget::mouseReleaseEvent(event);
        viewport()->update();
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        QTreeWidgetItem* item = currentItem();
        if (owner_ && item && state() != EditingState && event->modifiers() == Qt::NoModifier) {
            const bool expanded = item->isExpanded() && item->childCount() > 0;
            const bool collapsed = !item->isExpanded() && item->childCount() > 0;
            switch (event->key()) {
            case Qt::Key_Left:
                if (expanded) {
                    Toggle(item);
                    return;
                }
                break;
            case Qt::Key_Right:
                if (collapsed) {
                    Toggle(item);
                    return;
                }
                break;
            case Qt::Key_Plus:
                if (collapsed)
                    Toggle(item);
                return;
            case Qt::Key_Minus:
                if (expanded)
                    Toggle(item);
                return;
            default: break;
            }
        }
        QTreeWidget::keyPressEvent(event);
    }

    void focusInEvent(QFocusEvent* event) override
    {
        // Taking the focus selects nothing.
        focusing_ = true;
        QTreeWidget::focusInEvent(event);
        focusing_ = false;
    }

    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        if (focusing_)
            return {};
        const QModelIndex next = QTreeWidget::moveCursor(action, modifiers);
        if (!owner_ || !next.isValid() || next == currentIndex())
            return next;
        return MayChangeTo(itemFromIndex(next)) ? next : currentIndex();
    }

    void keyboardSearch(const QString&) override
    {
        // Typing does not move the selection: every move is the engine's to allow.
    }

    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override
    {
        if (!owner_ || owner_->showButtons_)
            QTreeWidget::drawBranches(painter, rect, index);
    }

    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override
    {
        if (owner_ && owner_->readOnly_)
            return false;
        const bool wasEditing = state() == EditingState;
        if (!QTreeWidget::edit(index, trigger, event))
            return false;
        if (owner_ && !wasEditing) {
            QTreeWidgetItem* item = itemFromIndex(index);
            fw::RunFromEventLoop([&] { owner_->EditStarted(item); });
        }
        return true;
    }

    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override
    {
        QTreeWidgetItem* item = currentItem();
        QTreeWidget::closeEditor(editor, hint);
        if (owner_ && item && hint == QAbstractItemDelegate::RevertModelCache)
            fw::RunFromEventLoop([&] { owner_->EditCancelled(item); });
    }

private:
    bool focusing_ = false;
};

// Draws a node with its state arrow, its picture, its weight and colour.
class Te3CustomTreeView::Delegate : public QStyledItemDelegate {
public:
    Delegate(Te3CustomTreeView* tree, QObject* parent)
        : QStyledItemDelegate(parent)
        , tree_(tree)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        if (tree_->showState_) {
            const int state = index.data(StateRole).toInt();
            const QPixmap* arrow = state == 1 ? &tree_->arrowDown_ : state == 2 ? &tree_->arrowRight_ : nullptr;
            if (arrow)
                painter->drawPixmap(opt.rect.left(), opt.rect.top() + (opt.rect.height() - ArrowSize) / 2, *arrow);
            opt.rect.setLeft(opt.rect.left() + ArrowSize);
        }
        QStyledItemDelegate::paint(painter, opt, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (tree_->showState_)
            size.rwidth() += ArrowSize;
        return size;
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor); line && tree_->maxTextLen_ > 0)
            line->setMaxLength(tree_->maxTextLen_);
        return editor;
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        auto* line = qobject_cast<QLineEdit*>(editor);
        QTreeWidgetItem* item = tree_->view_->ItemOf(index);
        if (!line || !item)
            return;
        const std::string text = line->text().toStdString();
        fw::RunFromEventLoop([&] { tree_->NodeEdited(item, text); });
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->features &= ~QStyleOptionViewItem::HasDecoration;
        option->icon = QIcon();
        if (tree_->showImages_) {
            const int image = index.data(ImageRole).toInt();
            if (image >= 0 && image < static_cast<int>(tree_->icons_.size())) {
                option->features |= QStyleOptionViewItem::HasDecoration;
                option->icon = tree_->icons_[static_cast<size_t>(image)];
                option->decorationSize = QSize(tree_->imageWidth_, tree_->imageHeight_);
            }
        }
        const QTreeWidgetItem* item = tree_->view_->ItemOf(index);
        if (!item)
            return;
        const NodeLook look = tree_->LookOf(item);
        if (look.bold)
            option->font.setBold(true);
        if (look.ownColor && !(option->state & QStyle::State_Selected))
            option->palette.setColor(QPalette::Text, fw::ToQColor(look.color));
    }

private:
    Te3CustomTreeView* tree_;
};

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CustomTreeView::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomTreeView", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomTreeView::Te3CustomTreeView(fw::TComponent* owner)
    : Te3Control(owner, {kHintWords, &Te3TreeView::StaticClass}, EnabledRule::plain)
    , view_(new View(this))
    , arrowDown_(Arrow(true))
    , arrowRight_(Arrow(false))
{
    view_->setItemDelegate(new Delegate(this, view_));
    OwnWidget(view_);
    SetTabStop(true);
    SetColor(fw::clWindow);
    SetBounds(0, 0, 121, 97);
    QObject::connect(view_, &QTreeWidget::currentItemChanged, view_,
                     [this](QTreeWidgetItem* current) { CurrentChanged(current); });
}

Te3CustomTreeView::~Te3CustomTreeView()
{
    // The window outlives this object by a moment; what it still reports
    // (clearing its items moves the current one) reaches no one.
    QObject::disconnect(view_, &QTreeWidget::currentItemChanged, view_, nullptr);
}

QTreeWidget* Te3CustomTreeView::Tree() const
{
    return view_;
}

bool Te3CustomTreeView::DragOver(fw::TObject* source, int32_t x, int32_t y, fw::TDragState state)
{
    const QPoint pos = view_->viewport()->mapFrom(view_, QPoint(x, y));
    QTreeWidgetItem* node = view_->itemAt(pos);
    dragNodeId_ = node ? NodeId(node) : -1;
    return fw::TWinControl::DragOver(source, x, y, state);
}

// --- nodes ---------------------------------------------------------------------

int32_t Te3CustomTreeView::NodeId(const QTreeWidgetItem* node)
{
    return node ? node->data(0, IdRole).toInt() : -1;
}

int32_t Te3CustomTreeView::NodeImage(const QTreeWidgetItem* node)
{
    const QVariant v = node->data(0, ImageRole);
    return v.isValid() ? v.toInt() : -1;
}

int32_t Te3CustomTreeView::NodeState(const QTreeWidgetItem* node)
{
    return node->data(0, StateRole).toInt();
}

namespace {

// Whether a comes before b in pre-order.
bool PreOrderLess(const QTreeWidget& tree, QTreeWidgetItem* a, QTreeWidgetItem* b)
{
    std::vector<QTreeWidgetItem*> pathA;
    std::vector<QTreeWidgetItem*> pathB;
    for (QTreeWidgetItem* p = a; p; p = p->parent())
        pathA.push_back(p);
    for (QTreeWidgetItem* p = b; p; p = p->parent())
        pathB.push_back(p);
    std::reverse(pathA.begin(), pathA.end());
    std::reverse(pathB.begin(), pathB.end());
    size_t i = 0;
    while (i < pathA.size() && i < pathB.size() && pathA[i] == pathB[i])
        ++i;
    if (i == pathA.size())
        return i != pathB.size(); // a is b or an ancestor of it
    if (i == pathB.size())
        return false;
    QTreeWidgetItem* parent = i > 0 ? pathA[i - 1] : nullptr;
    const int ia = parent ? parent->indexOfChild(pathA[i]) : tree.indexOfTopLevelItem(pathA[i]);
    const int ib = parent ? parent->indexOfChild(pathB[i]) : tree.indexOfTopLevelItem(pathB[i]);
    return ia < ib;
}

} // namespace

QTreeWidgetItem* Te3CustomTreeView::FindNode(int32_t id) const
{
    auto [it, end] = byId_.equal_range(id);
    if (it == end)
        return nullptr;
    QTreeWidgetItem* first = it->second;
    for (++it; it != end; ++it)
        if (PreOrderLess(*view_, it->second, first))
            first = it->second;
    return first;
}

void Te3CustomTreeView::Index(QTreeWidgetItem* node, int32_t id)
{
    byId_.emplace(id, node);
}

void Te3CustomTreeView::Unindex(QTreeWidgetItem* node)
{
    std::vector<QTreeWidgetItem*> stack {node};
    while (!stack.empty()) {
        QTreeWidgetItem* n = stack.back();
        stack.pop_back();
        auto [it, end] = byId_.equal_range(NodeId(n));
        for (; it != end; ++it)
            if (it->second == n) {
                byId_.erase(it);
                break;
            }
        for (int i = 0; i < n->childCount(); ++i)
            stack.push_back(n->child(i));
    }
}

QTreeWidgetItem* Te3CustomTreeView::AddNode(QTreeWidgetItem* parent, int32_t id, const std::string& text,
                                            int32_t imageIndex)
{
    auto* node = new Node(id, imageIndex);
    node->setText(0, QString::fromStdString(text));
    if (parent)
        parent->addChild(node);
    else
        view_->addTopLevelItem(node);
    Index(node, id);
    UpdateState(node);
    if (parent)
        UpdateState(parent);
    return node;
}

void Te3CustomTreeView::DeleteNode(QTreeWidgetItem* node)
{
    if (!node)
        return;
    QTreeWidgetItem* parent = node->parent();
    // The selection does not wander to another node on its own.
    for (QTreeWidgetItem* p = view_->currentItem(); p; p = p->parent())
        if (p == node) {
            ++quiet_;
            view_->setCurrentItem(nullptr);
            --quiet_;
            break;
        }
    Unindex(node);
    ++quiet_;
    delete node;
    --quiet_;
    if (parent)
        UpdateState(parent);
}

void Te3CustomTreeView::ClearNodes()
{
    ++quiet_;
    view_->clear();
    --quiet_;
    byId_.clear();
}

QTreeWidgetItem* Te3CustomTreeView::Selected() const
{
    return view_->currentItem();
}

bool Te3CustomTreeView::AllowChange(QTreeWidgetItem* node)
{
    bool allow = true;
    if (OnChangingNode)
        OnChangingNode(this, NodeId(node), allow);
    return allow;
}

void Te3CustomTreeView::CurrentChanged(QTreeWidgetItem* node)
{
    if (quiet_ || !node)
        return;
    fw::RunFromEventLoop([&] {
        if (OnChangeNode)
            OnChangeNode(this, NodeId(node));
    });
}

bool Te3CustomTreeView::SelectNode(QTreeWidgetItem* node)
{
    if (!node)
        return false;
    if (node == view_->currentItem()) {
        if (OnChangeNode)
            OnChangeNode(this, NodeId(node));
        return true;
    }
    const QPersistentModelIndex index(view_->IndexOf(node));
    fw::Guard<Te3CustomTreeView> alive(this);
    if (!AllowChange(node) || !alive || !index.isValid())
        return false;
    view_->setCurrentItem(node);
    return true;
}

bool Te3CustomTreeView::ExpandNode(QTreeWidgetItem* node)
{
    if (!node || node->childCount() == 0 || node->isExpanded())
        return false;
    const int32_t id = NodeId(node);
    const QPersistentModelIndex index(view_->IndexOf(node));
    fw::Guard<Te3CustomTreeView> alive(this);
    bool allow = true;
    if (OnExpanding)
        OnExpanding(this, id, allow);
    if (!allow || !alive || !index.isValid())
        return false;
    node->setExpanded(true);
    UpdateState(node);
    if (OnExpanded)
        OnExpanded(this, id);
    return true;
}

bool Te3CustomTreeView::CollapseNode(QTreeWidgetItem* node)
{
    if (!node || node->childCount() == 0 || !node->isExpanded())
        return false;
    const int32_t id = NodeId(node);
    const QPersistentModelIndex index(view_->IndexOf(node));
    fw::Guard<Te3CustomTreeView> alive(this);
    bool allow = true;
    if (OnCollapsing)
        OnCollapsing(this, id, allow);
    if (!allow || !canCollapse_ || !alive || !index.isValid())
        return false;
    node->setExpanded(false);
    UpdateState(node);
    if (OnCollapsed)
        OnCollapsed(this, id);
    return true;
}

namespace {

// Every node that has children, in pre-order, as indexes that notice when a
// reply deletes the node meanwhile.
template <class IndexOf>
std::vector<QPersistentModelIndex> Parents(QTreeWidget& tree, IndexOf indexOf)
{
    std::vector<QPersistentModelIndex> out;
    std::vector<QTreeWidgetItem*> stack;
    for (int i = tree.topLevelItemCount() - 1; i >= 0; --i)
        stack.push_back(tree.topLevelItem(i));
    while (!stack.empty()) {
        QTreeWidgetItem* n = stack.back();
        stack.pop_back();
        if (n->childCount() == 0)
            continue;
        out.emplace_back(indexOf(n));
        for (int i = n->childCount() - 1; i >= 0; --i)
            stack.push_back(n->child(i));
    }
    return out;
}

} // namespace

void Te3CustomTreeView::FullExpand()
{
    fw::Guard<Te3CustomTreeView> alive(this);
    for (const QPersistentModelIndex& index : Parents(*view_, [this](QTreeWidgetItem* n) { return view_->IndexOf(n); })) {
        if (!alive)
            return;
        if (index.isValid())
            ExpandNode(view_->ItemOf(index));
    }
}

void Te3CustomTreeView::FullCollapse()
{
    fw::Guard<Te3CustomTreeView> alive(this);
    for (const QPersistentModelIndex& index : Parents(*view_, [this](QTreeWidgetItem* n) { return view_->IndexOf(n); })) {
        if (!alive)
            return;
        if (index.isValid())
            CollapseNode(view_->ItemOf(index));
    }
}

QWidget* Te3CustomTreeView::NodeEditor() const
{
    return view_->Editor();
}

QLineEdit* Te3CustomTreeView::NodeLineEditor() const
{
    return qobject_cast<QLineEdit*>(view_->Editor());
}

EditCommandState Te3CustomTreeView::GetEditState() const
{
    if (!NodeLineEditor())
        return {};
    // The node's text is never read-only while it is edited, and selecting
    // it all is always offered.
    EditCommandState s = LineEditCommands::GetEditState();
    s.readOnly = false;
    s.wholeTextSelected = false;
    return s;
}

void Te3CustomTreeView::StartEdit(QTreeWidgetItem* node)
{
    if (!node || readOnly_)
        return;
    view_->scrollToItem(node);
    view_->editItem(node, 0);
}

void Te3CustomTreeView::EditStarted(QTreeWidgetItem* node)
{
    if (auto* line = qobject_cast<QLineEdit*>(NodeEditor()); line && maxTextLen_ > 0)
        line->setMaxLength(maxTextLen_);
    if (OnEditingNode)
        OnEditingNode(this, NodeId(node));
}

void Te3CustomTreeView::EditCancelled(QTreeWidgetItem* node)
{
    if (OnCancelEdit)
        OnCancelEdit(this, NodeId(node));
}

std::string Te3CustomTreeView::EditedText(const std::string& text) const
{
    QString t = QString::fromStdString(text);
    if (maxTextLen_ > 0 && t.size() > maxTextLen_)
        t.truncate(maxTextLen_);
    return cleanText_ ? CleanBlanks(t) : t.toStdString();
}

void Te3CustomTreeView::NodeEdited(QTreeWidgetItem* node, const std::string& text)
{
    std::string edited = EditedText(text);
    node->setText(0, QString::fromStdString(edited));
    if (!OnEditedNode)
        return;
    const QPersistentModelIndex index(view_->IndexOf(node));
    fw::Guard<Te3CustomTreeView> alive(this);
    OnEditedNode(this, NodeId(node), edited);
    if (alive && index.isValid())
        node->setText(0, QString::fromStdString(edited));
}

// --- pictures --------------------------------------------------------------------

int32_t Te3CustomTreeView::ImageIndexOf(const std::string& name)
{
    if (name.empty()) // no name is ever stored empty
        return -1;
    const std::string key = u3::UpperCase(name);
    if (const auto it = imageNames_.find(key); it != imageNames_.end())
        return it->second;
    if (u3::Trim(name).empty())
        return -1;
    // A copy: the client's cached picture stays as it is.
    const QImage picture = EngineImage(name);
    if (picture.isNull())
        return -1;
    QImage canvas(imageWidth_, imageHeight_, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        p.drawImage(0, 0, picture);
    }
    QPixmap pixmap = QPixmap::fromImage(canvas);
    pixmap.setMask(pixmap.createMaskFromColor(Qt::white));
    images_.push_back(pixmap);
    icons_.emplace_back(pixmap);
    const auto index = static_cast<int32_t>(images_.size() - 1);
    imageNames_.emplace(key, index);
    return index;
}

void Te3CustomTreeView::SetImageSize(int32_t width, int32_t height)
{
    imageWidth_ = width;
    imageHeight_ = height;
    images_.clear();
    icons_.clear();
    imageNames_.clear();
    Relayout();
}

void Te3CustomTreeView::SetNodeImage(QTreeWidgetItem* node, int32_t index)
{
    node->setData(0, ImageRole, index);
}

void Te3CustomTreeView::UpdateState(QTreeWidgetItem* node)
{
    if (!showState_ || !node)
        return;
    const int state = node->childCount() == 0 ? 3 : node->isExpanded() ? 1 : 2;
    if (node->data(0, StateRole).toInt() != state)
        node->setData(0, StateRole, state);
}

void Te3CustomTreeView::UpdateStates(QTreeWidgetItem* node)
{
    std::vector<QTreeWidgetItem*> stack {node};
    while (!stack.empty()) {
        QTreeWidgetItem* n = stack.back();
        stack.pop_back();
        if (n != view_->invisibleRootItem())
            UpdateState(n);
        for (int i = 0; i < n->childCount(); ++i)
            stack.push_back(n->child(i));
    }
}

void Te3CustomTreeView::Relayout()
{
    view_->setIconSize(QSize(imageWidth_, imageHeight_));
    view_->doItemsLayout();
    view_->viewport()->update();
}

// --- drawing -------------------------------------------------------------------------

bool Te3CustomTreeView::IsGrey(int32_t id) const
{
    return greyIds_.count(std::to_string(id)) > 0;
}

Te3CustomTreeView::NodeLook Te3CustomTreeView::LookOf(const QTreeWidgetItem* node) const
{
    NodeLook look;
    if (boldRoots_ == 0 && greyIds_.empty())
        return look;
    const int depth = Depth(node);
    look.ownColor = true;
    if (boldRoots_ == 2) {
        look.bold = depth < 2;
        look.color = depth < 2 ? GreyNode : 0;
        return look;
    }
    look.bold = boldRoots_ == 1 && depth == 0;
    look.color = IsGrey(NodeId(node)) ? GreyNode : 0;
    return look;
}

// --- design properties -------------------------------------------------------------

void Te3CustomTreeView::SetReadOnly(bool value)
{
    readOnly_ = value;
    view_->setEditTriggers(value ? QAbstractItemView::NoEditTriggers
                                 : QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
}

void Te3CustomTreeView::SetShowButtons(bool value)
{
    showButtons_ = value;
    view_->viewport()->update();
}

bool Te3CustomTreeView::GetShowRoot() const
{
    return view_->rootIsDecorated();
}

void Te3CustomTreeView::SetShowRoot(bool value)
{
    view_->setRootIsDecorated(value);
}

int32_t Te3CustomTreeView::GetIndent() const
{
    return view_->indentation();
}

void Te3CustomTreeView::SetIndent(int32_t value)
{
    view_->setIndentation(std::max(0, value));
}

void Te3CustomTreeView::SetMultiSelect(bool value)
{
    multiSelect_ = value;
    view_->setSelectionMode(value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

// --- the engine's actions -------------------------------------------------------------

QTreeWidgetItem* Te3CustomTreeView::NodeOfField(const std::string& field) const
{
    if (field.empty())
        return Selected();
    return FindNode(StrictInteger(field));
}

void Te3CustomTreeView::ActAddChild(const std::string& value)
{
    const auto fields = FirstFields<4>(value);
    const int32_t parentId = StrictInteger(fields[0]);
    const int32_t id = StrictInteger(fields[1]);
    const int32_t image = ImageIndexOf(std::string(fields[3]));
    AddNode(FindNode(parentId), id, std::string(fields[2]), image);
}

void Te3CustomTreeView::ActSelectNode(const std::string& value)
{
    if (QTreeWidgetItem* node = NodeOfField(Field(value, 0)))
        SelectNode(node);
}

void Te3CustomTreeView::ActSelNodeText(const std::string& value)
{
    if (QTreeWidgetItem* node = Selected())
        node->setText(0, QString::fromStdString(value));
}

void Te3CustomTreeView::ActSetNodeText(const std::string& value)
{
    if (QTreeWidgetItem* node = FindNode(IntegerOr(Field(value, 0), -1)))
        node->setText(0, QString::fromStdString(Field(value, 1)));
}

void Te3CustomTreeView::ActDelete(const std::string& value)
{
    DeleteNode(NodeOfField(Field(value, 0)));
}

void Te3CustomTreeView::ActEditText(const std::string& value)
{
    if (IsEditing())
        return;
    QTreeWidgetItem* node = NodeOfField(Field(value, 0));
    if (!node)
        return;
    fw::Guard<Te3CustomTreeView> alive(this);
    const QPersistentModelIndex index(view_->IndexOf(node));
    SelectNode(node);
    if (alive && index.isValid())
        StartEdit(node);
}

void Te3CustomTreeView::ActClear(const std::string&)
{
    ClearNodes();
}

void Te3CustomTreeView::ActFullExpand(const std::string&)
{
    FullExpand();
}

void Te3CustomTreeView::ActFullCollapse(const std::string&)
{
    FullCollapse();
}

void Te3CustomTreeView::SortChildren(QTreeWidgetItem* root, const std::unordered_map<std::string, int32_t>& rank,
                                     int32_t missingRank, bool ranked)
{
    struct Key {
        QTreeWidgetItem* node;
        int32_t rank;
        QString text;
    };
    const auto rankOf = [&](const QTreeWidgetItem* node) {
        const auto it = rank.find(std::to_string(NodeId(node)));
        return it == rank.end() ? missingRank : it->second;
    };
    std::vector<QTreeWidgetItem*> expanded;
    std::vector<QTreeWidgetItem*> parents {root};
    while (!parents.empty()) {
        QTreeWidgetItem* parent = parents.back();
        parents.pop_back();
        if (parent->childCount() == 0)
            continue;
        std::vector<Key> keys;
        keys.reserve(static_cast<size_t>(parent->childCount()));
        for (int i = 0; i < parent->childCount(); ++i) {
            QTreeWidgetItem* child = parent->child(i);
            keys.push_back({child, ranked ? rankOf(child) : 0, child->text(0)});
            if (child->isExpanded())
                expanded.push_back(child);
        }
        std::stable_sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
            if (ranked && a.rank != b.rank)
                return a.rank < b.rank;
            return QString::localeAwareCompare(a.text, b.text) < 0;
        });
        const QList<QTreeWidgetItem*> taken = parent->takeChildren();
        QList<QTreeWidgetItem*> sorted;
        sorted.reserve(taken.size());
        for (const Key& k : keys) {
            sorted.append(k.node);
            parents.push_back(k.node);
        }
        parent->addChildren(sorted);
    }
    for (QTreeWidgetItem* node : expanded)
        node->setExpanded(true);
}

void Te3CustomTreeView::ActSortFolders(const std::string& value)
{
    std::string text;
    text.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value.compare(i, 2, "||") == 0) {
            text += '\n';
            ++i;
        } else {
            text += value[i];
        }
    }
    folderOrder_ = u3::SplitTextLines(text);
    std::unordered_map<std::string, int32_t> rank;
    for (size_t i = 0; i < folderOrder_.size(); ++i)
        rank.emplace(folderOrder_[i], static_cast<int32_t>(i));
    const auto minus = rank.find("-1");
    const int32_t missing = minus == rank.end() ? -1 : minus->second;
    QTreeWidgetItem* current = view_->currentItem();
    ++quiet_;
    SortChildren(view_->invisibleRootItem(), rank, missing, !folderOrder_.empty());
    if (current)
        view_->setCurrentItem(current);
    --quiet_;
}

void Te3CustomTreeView::ActImage(const std::string& value)
{
    if (QTreeWidgetItem* node = FindNode(IntegerOr(Field(value, 0), -1)))
        SetNodeImage(node, ImageIndexOf(Field(value, 1)));
}

void Te3CustomTreeView::ActImageWidth(const std::string& value)
{
    SetImageSize(IntegerOr(value, imageWidth_), imageHeight_);
}

void Te3CustomTreeView::ActImageHeight(const std::string& value)
{
    SetImageSize(imageWidth_, IntegerOr(value, imageHeight_));
}

void Te3CustomTreeView::ActShowImages(const std::string& value)
{
    showState_ = !Field(value, 0).empty();
    showImages_ = !Field(value, 1).empty();
    showButtons_ = false;
    if (showState_)
        UpdateStates(view_->invisibleRootItem());
    Relayout();
}

void Te3CustomTreeView::ActBoldRoots(const std::string& value)
{
    boldRoots_ = IntegerOr(value, 0);
    view_->viewport()->update();
}

void Te3CustomTreeView::ActGrayNodes(const std::string& value)
{
    greyIds_.clear();
    for (std::string& line : u3::SplitTextLines(value))
        greyIds_.insert(std::move(line));
    view_->viewport()->update();
}

void Te3CustomTreeView::ActPreventEmpty(const std::string& value)
{
    cleanText_ = value == "1";
}

void Te3CustomTreeView::ActMaxTextLen(const std::string& value)
{
    maxTextLen_ = IntegerOr(value, 0);
}

void Te3CustomTreeView::ActCanCollapse(const std::string& value)
{
    canCollapse_ = value != "0";
}

void Te3CustomTreeView::SetDragNodeId(const std::string& value)
{
    dragNodeId_ = IntegerOr(value, -1);
}

void Te3CustomTreeView::SetFocus()
{
    view_->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3TreeView::StaticClass()
{
    using C = Te3TreeView;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3TreeView",
        &Te3CustomTreeView::StaticClass(),
        fw::TRows<Te3TreeView> {
            sp::Color(),
            sp::Enabled(),
            sp::Font(),
            fw::prop::Integer("Indent", &C::GetIndent, &C::SetIndent),
            fw::prop::Boolean("MultiSelect", &C::GetMultiSelect, &C::SetMultiSelect),
            fw::prop::Boolean("ReadOnly", &C::GetReadOnly, &C::SetReadOnly),
            fw::prop::Boolean("RightClickSelect", &C::GetRightClickSelect, &C::SetRightClickSelect),
            fw::prop::Boolean("ShowButtons", &C::GetShowButtons, &C::SetShowButtons),
            fw::prop::Boolean("ShowRoot", &C::GetShowRoot, &C::SetShowRoot),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
        },
        fw::MakeFactory<Te3TreeView>(),
    };
    return info;
}

const fw::TClassInfo& Te3_TreeView::StaticClass()
{
    using C = Te3_TreeView;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_TreeView",
        &Te3TreeView::StaticClass(),
        fw::TRows<Te3_TreeView> {
            sp::Align(),
            sp::Anchors(),
            sp::BiDiMode(),
            sp::Constraints(),
            sp::Ctl3D(),
            sp::BevelMembers(),
            sp::DragCursor(),
            sp::DragKind(),
            sp::DragMode(),
            sp::Parent(),
            sp::ParentBiDiMode(),
            sp::ParentColor(),
            sp::ParentCtl3D(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::PopupMenu(),
            sp::ShowHint(),
            fw::prop::Boolean("IsIconClick", &C::GetIsIconClick, nullptr),
            fw::prop::StringAction("_AddChild", &C::ActAddChild),
            fw::prop::StringAction("_SelectNode", &C::ActSelectNode),
            fw::prop::StringAction("_SelNodeText", &C::ActSelNodeText),
            fw::prop::StringAction("_SetNodeText", &C::ActSetNodeText),
            fw::prop::StringAction("_Delete", &C::ActDelete),
            fw::prop::StringAction("_EditText", &C::ActEditText),
            fw::prop::StringAction("_Clear", &C::ActClear),
            fw::prop::StringAction("_FullExpand", &C::ActFullExpand),
            fw::prop::StringAction("_FullCollapse", &C::ActFullCollapse),
            fw::prop::StringAction("_SortFolders", &C::ActSortFolders),
            fw::prop::StringAction("_Image", &C::ActImage),
            fw::prop::StringAction("_ImageWidth", &C::ActImageWidth),
            fw::prop::StringAction("_ImageHeight", &C::ActImageHeight),
            fw::prop::StringAction("_ShowImages", &C::ActShowImages),
            fw::prop::StringAction("_BoldRoots", &C::ActBoldRoots),
            fw::prop::StringAction("_GrayNodes", &C::ActGrayNodes),
            fw::prop::StringAction("_PreventEmpty", &C::ActPreventEmpty),
            fw::prop::StringAction("_MaxTextLen", &C::ActMaxTextLen),
            fw::prop::StringAction("_CanCollapse", &C::ActCanCollapse),
            fw::prop::String("_DragNodeID", &C::GetDragNodeId, &C::SetDragNodeId),
            fw::prop::BoolAction("_SetFocus", &C::SetFocus),
            fw::prop::Event("OnChangeNode", NodeEventType, &C::OnChangeNode),
            fw::prop::Event("OnChange", NodeEventType, &C::OnChangeNode),
            fw::prop::Event("OnChangingNode", NodeAllowEventType, &C::OnChangingNode),
            fw::prop::Event("OnChanging", NodeAllowEventType, &C::OnChangingNode),
            fw::prop::Event("OnEditedNode", NodeEditedEventType, &C::OnEditedNode),
            fw::prop::Event("OnEdited", NodeEditedEventType, &C::OnEditedNode),
            fw::prop::Event("OnEditingNode", NodeEventType, &C::OnEditingNode),
            fw::prop::Event("OnEditing", NodeEventType, &C::OnEditingNode),
            fw::prop::Event("OnCancelEdit", NodeEventType, &C::OnCancelEdit),
            fw::prop::Event("OnCollapsed", NodeEventType, &C::OnCollapsed),
            fw::prop::Event("OnCollapsing", NodeAllowEventType, &C::OnCollapsing),
            fw::prop::Event("OnExpanded", NodeEventType, &C::OnExpanded),
            fw::prop::Event("OnExpanding", NodeAllowEventType, &C::OnExpanding),
            sp::OnClick(),
            sp::OnContextPopup(),
            sp::OnDblClick(),
            sp::DragEvents(),
            sp::DockEvents(),
            sp::FocusEvents(),
            sp::KeyEvents(),
            sp::MouseEvents(),
        },
        fw::MakeFactory<Te3_TreeView>(),
    };
    return info;
}

} // namespace e3
