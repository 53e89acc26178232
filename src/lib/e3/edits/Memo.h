#pragma once
// The multi-line edit the engine puts on its forms: the engine's lock as
// read-only, the colours of a read-only or disabled edit, the mandatory-field
// marker, and its lines as one text.
#include "e3/common/Contract.h"
#include "e3/common/EditCommands.h"
#include "e3/common/ControlBase.h"
#include "e3/edits/Edit.h"
#include "e3/common/ScrollingClient.h"
#include "framework/Strings.h"

#include <QPlainTextEdit>

#include <memory>

namespace e3 {

class MemoWidget;

class Te3CustomMemo : public Te3Control<fw::TWinControl>, public IEditCommands {
    FW_CLASS()
public:
    explicit Te3CustomMemo(fw::TComponent* owner);

    void SetEnabled(bool value) override;
    void Loaded() override;
    void SetParent(fw::TWinControl* parent) override;
    // Lines joined by CR LF.
    std::string GetText() const override;
    void SetText(const std::string& text) override;
    // The same text; written: the lines replaced, the caret at the start.
    std::string GetLinesString() const { return GetText(); }
    void SetLinesString(const std::string& value);
    // The lines as a published list; always what the widget shows.
    fw::TStrings* GetLines() const { return lines_.get(); }

    bool GetReadOnly() const;
    void SetReadOnly(bool value) { ReadOnlyMessage(value); }
    bool GetLockedEdit() const { return readOnlyLock_.Locked(); }
    void SetLockedEdit(bool value);
    fw::TColor GetDisabledColor() const { return colors_.disabledColor; }
    void SetDisabledColor(fw::TColor value);
    fw::TColor NormalColor() const { return colors_.normalColor; }

    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool GetHideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    int32_t GetMaxLength() const { return maxLength_; }
    void SetMaxLength(int32_t value) { maxLength_ = std::max(0, value); }
    bool GetModified() const;
    void SetModified(bool value);
    TScrollStyle GetScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    bool GetWantReturns() const { return wantReturns_; }
    void SetWantReturns(bool value) { wantReturns_ = value; }
    bool GetWantTabs() const { return wantTabs_; }
    void SetWantTabs(bool value);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    // Positions count a line break as two characters, as the engine does.
    int32_t GetSelStart() const;
    void SetSelStart(int32_t value);
    int32_t GetSelLength() const;
    void SetSelLength(int32_t value);
    std::string GetSelText() const;
    void SetSelText(const std::string& value);

    bool GetMnShow() const { return marker_->GetShow(); }
    void SetMnShow(bool value) { marker_->SetShow(value); }
    int32_t GetMnWidth() const { return marker_->GetWidth(); }
    void SetMnWidth(int32_t value) { marker_->SetWidth(value); }
    int32_t GetMnHeight() const { return marker_->GetHeight(); }
    void SetMnHeight(int32_t value) { marker_->SetHeight(value); }
    fw::TColor GetMnColor() const { return marker_->GetColor(); }
    void SetMnColor(fw::TColor value) { marker_->SetColor(value); }
    const MandatoryMarker& Marker() const { return *marker_; }

    void SelectAll();
    void SetFocus();

    // The Edit menu's commands.
    EditCommandState GetEditState() const override;
    void EditUndo(bool forwards) override;
    void SetEditModified(bool value) override;
    void EditCut() override;
    void EditCopy() override;
    void EditPaste() override;
    void EditClear() override;
    void EditSelectAll() override;

    fw::TNotifyEvent OnChange;

    QPlainTextEdit* TextEdit() const;

protected:
    // The window's read-only switch, where the lock and colours come in.
    void ReadOnlyMessage(bool value);
    void ApplyEnabled() override;
    void Ctl3DChanged() override;

private:
    friend class MemoWidget;
    void PlaceMarker();
    void SwitchReadOnly(bool value);
    void UpdateMarker();
    void ShowText(const QString& text);
    void TextChanged();
    // The document position of an engine position, and back.
    int ToDocumentPos(int32_t pos) const;
    int32_t FromDocumentPos(int pos) const;

    MemoWidget* memo_;
    ColorContract colors_;
    ReadOnlyLock readOnlyLock_;
    TAlignment alignment_ = taLeftJustify;
    bool hideSelection_ = true;
    int32_t maxLength_ = 0;
    TScrollStyle scrollBars_ = ssNone;
    bool wantReturns_ = true;
    bool wantTabs_ = false;
    bool wordWrap_ = true;
    MandatoryMarker* marker_;
    std::unique_ptr<fw::TStrings> lines_;
};

class Te3Memo : public Te3CustomMemo {
    FW_CLASS()
public:
    using Te3CustomMemo::Te3CustomMemo;
};

class Te3_Memo : public Te3Memo {
    FW_CLASS()
public:
    using Te3Memo::Te3Memo;
};

} // namespace e3
