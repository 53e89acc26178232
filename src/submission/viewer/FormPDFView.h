#pragma once
// The client's document viewer: one file, or a list of files on the left with
// the chosen one on the right, with an optional "Sign Now" button that ends a
// review with the decision to sign. PDF pages through QtPdf, TIFF pages with
// page buttons, JPEG pictures, text and re-indented XML read-only.
#include "submission/viewer/ViewerFiles.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPdfDocument;
class QPdfView;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QSplitter;
class QStackedWidget;
class QWidget;

namespace viewer {

// The modal results the engine receives.
constexpr int kResultOk = 1;
constexpr int kResultCancel = 2;

// Fetches a list entry's file: true and a local copy's path, or false.
using FetchFile = std::function<bool(const std::string& fileReference, std::string& localPath)>;

// What the viewer needs from the program around it: its message texts, a
// question box (the index of the button chosen, -1 for none) and a way to tell
// the other clients that this one now holds the PDF reader. The program fills
// them in at start; a hook left empty gives the default text, "no" for the
// question and no notice.
struct ViewerHooks {
    std::function<std::string(const std::string& key, const std::string& defaultText)> langText;
    std::function<int(const std::string& caption, const std::string& text, const std::vector<std::string>& buttons)>
        ask;
    std::function<void()> tookPdfReader;
};
void SetViewerHooks(ViewerHooks hooks);

class TFormPDFView : public QDialog {
public:
    explicit TFormPDFView(QWidget* parent = nullptr);
    ~TFormPDFView() override;

    void SetFetchCallback(FetchFile fetch) { fetch_ = std::move(fetch); }
    // Single-file mode: no list and no OK button.
    void SetSingleFile(const std::string& fileName);
    // List modes: the entries and the OK button's caption.
    void SetList(ViewerList list, const std::string& okCaption);

    // Shows the chosen entry's file (fetched first in list modes).
    void ShowSelection();
    // Page n (from 0) of a TIFF file; the page buttons show for more than one page.
    void ShowTifPage(const std::string& fileName, int page);
    void ShowJPG(const std::string& fileName);

    // What the list shows for entry i: the caption and, in two-line mode,
    // "   (" + the second-line file's name + ")".
    std::vector<std::string> EntryLines(int i) const;

    // State the tests and the commands look at.
    const std::string& ShownFile() const { return shownFile_; }
    int TifPage() const { return tifPage_; }
    int TifPageCount() const { return tifPageCount_; }
    QListWidget* ListBox() const { return listBox_; }
    QPushButton* OkButton() const { return okButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }
    QPushButton* PageButton(int i) const { return pageButtons_[i]; }
    QWidget* PageButtonPanel() const { return pagePanel_; }
    QLabel* Image() const { return image_; }
    QPdfView* PdfView() const { return pdfView_; }
    QPlainTextEdit* Editor() const { return editor_; }
    QWidget* CurrentView() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void PostShowSelection();
    void ShowPdf(const std::string& fileName);
    void ShowText(const std::string& text, bool xml);
    void DropPdfControl();

    FetchFile fetch_;
    ViewerList list_;
    bool listMode_ = false;
    std::string shownFile_;
    bool closedByButton_ = false;
    bool closing_ = false;
    int tifPage_ = 0;
    int tifPageCount_ = 0;

    QSplitter* splitter_ = nullptr;
    QListWidget* listBox_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QWidget* imagePanel_ = nullptr;
    QScrollArea* imageScroll_ = nullptr;
    QLabel* image_ = nullptr;
    QWidget* pagePanel_ = nullptr;
    QPushButton* pageButtons_[4] = {};
    QWidget* bottom_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPdfDocument* pdfDocument_ = nullptr;
    QPdfView* pdfView_ = nullptr;
    QPlainTextEdit* editor_ = nullptr;
};

// The one viewer (null when none is open).
TFormPDFView* CurrentPDFView();
// Closes an open viewer first; the new one is placed but not shown.
bool CreatePDFView(int left, int top, int width, int height);
// Left = -1 maximises. Modal: the result of the modal run; otherwise 1.
int ShowPDFView(int left, int top, int width, int height, bool modal);
void ClosePDFView();

bool ViewFile(const std::string& fileName, int left, int top, int width, int height);
int ViewFileList(const std::string& listText, int left, int top, int width, int height, FetchFile fetch);
int ViewFileListExt(const std::string& text, int left, int top, int width, int height, FetchFile fetch);

} // namespace viewer
