#pragma once
// The draw grid's own cell editor: a line edit over the current cell with, as
// the grid's style answer says, nothing more, an ellipsis button, or a
// drop-down arrow that opens a pick list. The pick list selects its items by
// typed prefix.
#include "e3/grids/DrawGrid.h"

#include <QListWidget>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLineEdit;

namespace e3 {

// The typed prefix of a pick list. A key restarts the prefix when more than
// RestartMs passed since the previous one; the prefix grows to MaxLength.
class TPickListSearch {
public:
    static constexpr int64_t RestartMs = 4000;
    static constexpr int MaxLength = 32;

    // A key typed at nowMs (milliseconds of any steady clock). Keys outside
    // 32 to 255 are not the search's: nullopt. Otherwise the first item that
    // begins with the prefix, case ignored, or -1.
    std::optional<int> Key(char32_t key, int64_t nowMs, const QStringList& items);
    const QString& Text() const { return text_; }

private:
    QString text_;
    std::optional<int64_t> last_;
};

// The list under (or over) the editor. It closes on Enter (accepting), on
// Escape, on a click elsewhere (cancelling) and on a mouse release over it
// (accepting when over an item).
class TPopupListbox : public QListWidget {
public:
    // close(accept) is called once per opening.
    explicit TPopupListbox(std::function<void(bool accept)> close);

    // The clock of the typed prefix; a steady clock unless a test sets one.
    void SetClock(std::function<int64_t()> clock) { clock_ = std::move(clock); }
    const TPickListSearch& Search() const { return search_; }
    void ResetSearch() { search_ = {}; }
    // Closes without calling back (the editor is going).
    void Drop();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Finish(bool accept);

    std::function<void(bool)> close_;
    std::function<int64_t()> clock_;
    TPickListSearch search_;
    bool finishing_ = false;
};

class TRxInplaceEdit : public QWidget {
public:
    explicit TRxInplaceEdit(Te3DrawGrid* grid);
    ~TRxInplaceEdit() override;

    // Takes a cell's contents: style, alignment, length limit and text.
    void Take(TEditStyle style, TAlignment alignment, int32_t maxLength, const std::string& text);
    TEditStyle Style() const { return style_; }
    TAlignment Alignment() const { return alignment_; }
    // Over the cell (client coordinates of the grid).
    void Place(const QRect& cell);
    std::string Text() const;
    void SetText(const std::string& text);
    QLineEdit* Line() const { return line_; }
    // The button's width: a vertical scroll bar's; 0 for esSimple.
    int32_t ButtonWidth() const;
    QRect ButtonRect() const;
    // The gap between the ellipsis dots for the current button width.
    int32_t DotGap() const;

    // The pick list: opened below the editor (above it where the screen ends).
    void DropDown();
    void CloseUp(bool accept);
    bool ListVisible() const;
    TPopupListbox* PickList() const { return list_; }
    // The grid is going: no more calls into it.
    void Disown() { grid_ = nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Layout();
    void ButtonClick();
    bool EditKey(QKeyEvent* event);

    Te3DrawGrid* grid_;
    QLineEdit* line_;
    TPopupListbox* list_ = nullptr;
    TEditStyle style_ = esSimple;
    TAlignment alignment_ = taLeftJustify;
    bool pressed_ = false;
    bool overButton_ = false;
};

} // namespace e3
