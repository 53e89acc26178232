#pragma once
// The notebook: pages without tabs, one shown at a time, chosen by index or by
// the page's name. Its pages are plain containers (TPage) that the notebook
// owns; the engine's form descriptions add them by name.
#include "e3/common/ControlBase.h"
#include "e3/common/NamedPages.h"
#include "framework/Strings.h"

#include <memory>
#include <string>
#include <vector>

namespace e3 {

class Te3CustomNotebook;

class TPage : public fw::TWinControl {
    FW_CLASS()
public:
    explicit TPage(fw::TComponent* owner);
    Te3CustomNotebook* Notebook() const;
};

class Te3CustomNotebook : public Te3Control<fw::TWinControl>, public INamedPages {
    FW_CLASS()
public:
    explicit Te3CustomNotebook(fw::TComponent* owner);
    ~Te3CustomNotebook() override;

    int32_t PageCount() const { return static_cast<int32_t>(pages_.size()); }
    TPage* Page(int32_t index) const;
    std::vector<std::string> PageNames() const;

    // The page list as the engine's Pages strings: Insert creates a page with
    // that caption at that place and shows it, Delete frees the page and shows
    // page 0, Move exchanges two pages, Clear frees every page.
    TPage* InsertPage(int32_t index, const std::string& caption);
    TPage* AddPage(const std::string& caption) { return InsertPage(PageCount(), caption); }
    void DeletePage(int32_t index);
    void MovePage(int32_t from, int32_t to);
    void ClearPages();

    fw::TStrings* GetPages() const { return pageStrings_.get(); }
    int32_t GetPageIndex() const { return pageIndex_; }
    // An index out of range changes nothing; while the notebook is loaded the
    // index is only kept, and shown once loading is over.
    void SetPageIndex(int32_t value);
    // The caption of the shown page; written, shows the page of that caption
    // (no such page: nothing changes).
    std::string GetActivePage() const;
    void SetActivePage(const std::string& value);

    fw::TComponent* AddDescribedPage(const std::string& name) override;

    void FocusNotebook();

    fw::TNotifyEvent OnPageChanged;

protected:
    void Loaded() override;

private:
    friend class TPage;
    void ShowPage(int32_t index);
    void PagesWritten();

    std::vector<fw::Guard<TPage>> pages_;
    std::unique_ptr<fw::TStrings> pageStrings_;
    int32_t pageIndex_ = -1;
    bool described_ = false;
};

class Te3Notebook : public Te3CustomNotebook {
    FW_CLASS()
public:
    using Te3CustomNotebook::Te3CustomNotebook;
};

class Te3_Notebook : public Te3Notebook {
    FW_CLASS()
public:
    using Te3Notebook::Te3Notebook;
};

} // namespace e3
