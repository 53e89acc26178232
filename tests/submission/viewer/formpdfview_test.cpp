// The viewer form on real files: TIFF pages against ImageMagick's own
// reading, PDF pages through QtPdf, the list modes and the sign question.
#include "client/Client.h"
#include "client/Globals.h"
#include "client/MessageDialog.h"
#include "client/submission/ViewerConnection.h"
#include "platform/GUICOMClient.h"
#include "submission/viewer/FormPDFView.h"
#include "submission/viewer/TifBitmap.h"
#include "support/ChildProcess.h"
#include "support/RecordingUserMessages.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSyntaxHighlighter>
#include <QTimer>

#include <gtest/gtest.h>
#include <tiffio.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>

namespace {

std::string RunTool(const std::vector<std::string>& args)
{
    e3test::ChildProcess child(args);
    EXPECT_GT(child.Pid(), 0) << args[0];
    std::string out = child.ReadToEnd();
    EXPECT_EQ(child.Wait(), 0) << args[0];
    return out;
}

// Three pages of different sizes and colours.
std::string ThreePageTiff(const e3test::TempDir& dir)
{
    const std::string path = dir.str() + "/three.tif";
    RunTool({"convert", "-size", "40x30", "xc:red", "-size", "50x20", "gradient:blue-yellow", "-seed", "5",
             "-size", "33x17", "plasma:", "-depth", "8", "-compress", "LZW", path});
    return path;
}

std::string ThreePagePdf(const e3test::TempDir& dir)
{
    const std::string path = dir.str() + "/claims.pdf";
    RunTool({"gs", "-q", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-sOutputFile=" + path, "-c",
             "/Helvetica findfont 20 scalefont setfont 72 700 moveto (One) show showpage 72 700 moveto (Two) show "
             "showpage 72 700 moveto (Three) show showpage"});
    return path;
}

// Runs action once cond holds, polling in the event loop; fails the test
// when it never does.
void WhenReady(std::function<bool()> cond, std::function<void()> action)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [=] {
        if (cond()) {
            action();
            *poll = nullptr; // the copy running now keeps what it needs
        } else if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "condition never held";
            if (viewer::CurrentPDFView())
                viewer::CurrentPDFView()->CancelButton()->click();
            *poll = nullptr;
        } else {
            QTimer::singleShot(10, *poll);
        }
    };
    QTimer::singleShot(0, *poll);
}

void SpinUntil(const std::function<bool()>& cond)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!cond() && std::chrono::steady_clock::now() < deadline)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(cond());
}

// Answers the sign question with a button index (-1: the close box) and counts it.
class Answer final : public client::MessageDialogSeam {
public:
    // The viewer asks through the client's message box once connected to it.
    explicit Answer(int button) : button_(button)
    {
        client::ConnectDocumentViewer();
        client::SetMessageDialogSeam(this);
    }
    ~Answer() override { client::SetMessageDialogSeam(nullptr); }
    void Run(client::TMessageForm& form) override
    {
        ++asked;
        text = form.MessageLabel()->text().toStdString();
        if (button_ >= 0)
            form.ButtonClick(button_);
        else
            form.Close();
    }
    void Beep() override {}
    int asked = 0;
    std::string text;

private:
    int button_;
};

TEST(TTifBitmap, LastPageMatchesImageMagick)
{
    e3test::TempDir dir;
    const std::string path = ThreePageTiff(dir);
    viewer::TTifBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadFromFile(path));
    EXPECT_EQ(bitmap.PageCount(), 3);
    const QImage page = bitmap.LoadPage(2);
    ASSERT_EQ(page.size(), QSize(33, 17));
    const std::string peer = RunTool({"convert", path + "[2]", "-depth", "8", "rgba:-"});
    ASSERT_EQ(peer.size(), size_t(33 * 17 * 4));
    for (int y = 0; y < 17; ++y)
        ASSERT_EQ(std::memcmp(page.constScanLine(y), peer.data() + y * 33 * 4, 33 * 4), 0) << "row " << y;
    EXPECT_TRUE(bitmap.LoadPage(3).isNull());
}

TEST(TTifBitmap, RefusesOversizedRasterAndUnreadableFiles)
{
    e3test::TempDir dir;
    const std::string path = dir.str() + "/huge.tif";
    {
        // 60000 x 60000 pixels: 14.4 GB as RGBA, beyond 32 bits and the cap.
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        ASSERT_NE(tif, nullptr);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 60000u);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 60000u);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 60000u);
        std::vector<unsigned char> row(60000 / 8, 0);
        TIFFWriteScanline(tif, row.data(), 0, 0);
        TIFFClose(tif);
    }
    e3test::RecordingUserMessages messages;
    viewer::TTifBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadFromFile(path));
    EXPECT_TRUE(bitmap.LoadPage(0).isNull());
    EXPECT_EQ(messages.plain, std::vector<std::string>{"No space for raster buffer"});
    EXPECT_FALSE(bitmap.LoadFromFile(dir.write("text.tif", "not a tiff")));
    EXPECT_EQ(messages.plain.back(), "Cannot open file " + dir.str() + "/text.tif");
}

TEST(TFormPDFView, TiffPagesAndButtons)
{
    e3test::TempDir dir;
    const std::string tif = ThreePageTiff(dir);
    std::filesystem::rename(tif, dir.str() + "/three.TIF");
    ASSERT_TRUE(viewer::ViewFile(dir.str() + "/three.TIF", 10, 10, 600, 500));
    viewer::TFormPDFView* view = viewer::CurrentPDFView();
    ASSERT_NE(view, nullptr);
    SpinUntil([&] { return view->TifPageCount() == 3; });
    EXPECT_FALSE(view->OkButton()->isVisible());
    EXPECT_FALSE(view->ListBox()->isVisible());
    EXPECT_TRUE(view->PageButtonPanel()->isVisible());
    EXPECT_FALSE(view->PageButton(0)->isEnabled());
    EXPECT_FALSE(view->PageButton(1)->isEnabled());
    EXPECT_TRUE(view->PageButton(2)->isEnabled());
    view->PageButton(3)->click();
    EXPECT_EQ(view->TifPage(), 2);
    EXPECT_EQ(view->Image()->pixmap().size(), QSize(33, 17));
    EXPECT_FALSE(view->PageButton(2)->isEnabled());
    EXPECT_FALSE(view->PageButton(3)->isEnabled());
    view->PageButton(1)->click();
    EXPECT_EQ(view->TifPage(), 1);
    viewer::ClosePDFView();
    EXPECT_EQ(viewer::CurrentPDFView(), nullptr);
}

TEST(TFormPDFView, OtherKindsAndFilesLeftAsTheyWere)
{
    e3test::TempDir dir;
    // A .doc shows nothing.
    ASSERT_TRUE(viewer::ViewFile(dir.write("letter.doc", "x"), 10, 10, 600, 500));
    QApplication::processEvents();
    EXPECT_EQ(viewer::CurrentPDFView()->Editor(), nullptr);
    EXPECT_EQ(viewer::CurrentPDFView()->PdfView(), nullptr);

    // A UTF-16 text is shown decoded and never written back.
    const std::string utf16("\xFF\xFE" "h\0\xE9\0l\0l\0o\0", 12);
    const std::string text = dir.write("note.txt", utf16);
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(viewer::ViewFile(text, 10, 10, 600, 500));
        viewer::TFormPDFView* view = viewer::CurrentPDFView();
        SpinUntil([&] { return view->Editor() != nullptr; });
        EXPECT_EQ(view->Editor()->toPlainText().toStdString(), "h\xC3\xA9llo");
        EXPECT_EQ(e3test::ReadWholeFile(text), utf16);
    }

    const std::string xml = dir.write("data.xml", "<?xml version=\"1.0\"?>\n<a>\n <b>1</b>\n</a>");
    ASSERT_TRUE(viewer::ViewFile(xml, 10, 10, 600, 500));
    viewer::TFormPDFView* view = viewer::CurrentPDFView();
    SpinUntil([&] { return view->Editor() != nullptr; });
    EXPECT_NE(view->Editor()->toPlainText().toStdString().find("<a>\n  <b>1</b>\n</a>"), std::string::npos);
    EXPECT_NE(view->Editor()->document()->findChild<QSyntaxHighlighter*>(), nullptr);
    EXPECT_TRUE(view->Editor()->isReadOnly());
    viewer::ClosePDFView();
}

TEST(TFormPDFView, ListWithCaptionsOpensTheFirstPreviewAtItsPage)
{
    e3test::TempDir dir;
    const std::string pdf = ThreePagePdf(dir);
    const std::string other = dir.write("other.txt", "plain");
    std::vector<std::string> fetched;
    auto fetch = [&](const std::string& ref, std::string& local) {
        fetched.push_back(ref);
        local = ref;
        return true;
    };
    std::vector<std::string> lines;
    int shownPage = -1;
    WhenReady(
        [] {
            auto* v = viewer::CurrentPDFView();
            return v && v->isVisible() && v->PdfView() && v->PdfView()->document() &&
                   v->PdfView()->document()->pageCount() == 3;
        },
        [&] {
            auto* v = viewer::CurrentPDFView();
            lines = v->EntryLines(v->ListBox()->currentRow());
            shownPage = v->PdfView()->pageNavigator()->currentPage();
            v->CancelButton()->click();
        });
    Answer answer(0);
    const int result = viewer::ViewFileListExt(other + "\r\nClaims>|<" + pdf + ">|<3\r\nFirstPreview>|<CLAIMS.PDF",
                                               10, 10, 700, 500, fetch);
    EXPECT_EQ(result, viewer::kResultCancel);
    EXPECT_EQ(answer.asked, 0);
    EXPECT_EQ(lines, (std::vector<std::string>{"Claims", "   (claims.pdf)"}));
    EXPECT_EQ(shownPage, 2);
    EXPECT_EQ(fetched, std::vector<std::string>{pdf});
    viewer::ClosePDFView();
}

TEST(TFormPDFView, CloseBoxAsksWhetherToSign)
{
    e3test::TempDir dir;
    const std::string pdf = ThreePagePdf(dir);
    auto fetch = [](const std::string& ref, std::string& local) {
        local = ref;
        return true;
    };
    struct Case {
        int button;
        int result;
    } const cases[] = {{0, viewer::kResultOk}, {1, viewer::kResultCancel}, {-1, viewer::kResultCancel}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        Answer answer(c.button);
        std::string okCaption;
        WhenReady([] { return viewer::CurrentPDFView() && viewer::CurrentPDFView()->isVisible(); },
                  [&] {
                      okCaption = viewer::CurrentPDFView()->OkButton()->text().toStdString();
                      viewer::CurrentPDFView()->close();
                  });
        EXPECT_EQ(viewer::ViewFileList(pdf, 10, 10, 700, 500, fetch), c.result);
        EXPECT_EQ(answer.asked, 1);
        EXPECT_EQ(answer.text, "Would you like to sign this application now ?");
        EXPECT_EQ(okCaption, "Sign Now");
    }
    // A viewer the program never connected asks no one and takes it as a no.
    Answer unasked(0);
    viewer::SetViewerHooks({});
    WhenReady([] { return viewer::CurrentPDFView() && viewer::CurrentPDFView()->isVisible(); },
              [] { viewer::CurrentPDFView()->close(); });
    EXPECT_EQ(viewer::ViewFileList(pdf, 10, 10, 700, 500, fetch), viewer::kResultCancel);
    EXPECT_EQ(unasked.asked, 0);
    viewer::ClosePDFView();
}

} // namespace

// Qt's PDF view makes a kinetic scroller for its viewport and a page renderer
// with a thread of its own that Qt never frees; that is not ours to mend, so
// the leak checker is told to pass over them.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:QScroller::grabGesture\nleak:libQt6Pdf.so\n";
}

// Qt is built without frame pointers: only the slow unwinder finds the PDF
// library's frames for the suppression above.
extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

namespace {

// Records the broadcasts of the link between clients.
class RecordingLink final : public platform::IGUICOMClient {
public:
    explicit RecordingLink(std::vector<std::string>& log) : log_(log) {}
    int32_t RegisterClient(const std::string&, const std::string&, std::shared_ptr<platform::IGUIClientAdvise>) override
    {
        return 17;
    }
    void BroadcastMessage(const std::string& nameEngine, const std::string& uid, int32_t localID,
                          const std::string& mid, const std::string& mString, const std::string& mType) override
    {
        log_.push_back(nameEngine + "|" + uid + "|" + std::to_string(localID) + "|" + mid + "|" + mString + "|" + mType);
    }
    void UnregisterClient(int32_t) override {}

private:
    std::vector<std::string>& log_;
};

TEST(TFormPDFView, TakingThePdfReaderTellsTheOtherClients)
{
    e3test::TempDir dir;
    const std::string pdf = ThreePagePdf(dir);
    const std::string tif = ThreePageTiff(dir);
    std::vector<std::string> broadcasts;
    client::ConnectDocumentViewer();
    client::TClient theClient("Test");
    client::SetClient(&theClient);
    theClient.SetCOMClient(std::make_unique<RecordingLink>(broadcasts));

    // Other kinds leave the reader alone.
    ASSERT_TRUE(viewer::ViewFile(tif, 10, 10, 600, 500));
    SpinUntil([] { return viewer::CurrentPDFView()->TifPageCount() == 3; });
    EXPECT_TRUE(broadcasts.empty());

    ASSERT_TRUE(viewer::ViewFile(pdf, 10, 10, 600, 500));
    SpinUntil([] { return viewer::CurrentPDFView()->PdfView() != nullptr; });
    EXPECT_EQ(broadcasts, (std::vector<std::string> {"||" + std::to_string(theClient.Cookie()) + "||Close_PDF_Preview|0"}));
    viewer::ClosePDFView();
    client::SetClient(nullptr);
}

} // namespace
