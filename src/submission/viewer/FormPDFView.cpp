#include "submission/viewer/FormPDFView.h"

#include "submission/viewer/TifBitmap.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QSyntaxHighlighter>
#include <QTimer>
#include <QVBoxLayout>

#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace viewer {
namespace {

QPointer<TFormPDFView>& TheViewer()
{
    static QPointer<TFormPDFView> viewer;
    return viewer;
}

ViewerHooks& Hooks()
{
    static ViewerHooks hooks;
    return hooks;
}

std::string Lang(const std::string& key, const std::string& defaultText)
{
    return Hooks().langText ? Hooks().langText(key, defaultText) : defaultText;
}

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string NameOf(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Tags, attribute names, attribute values and comments in their own colours.
class XmlHighlighter final : public QSyntaxHighlighter {
public:
    explicit XmlHighlighter(QTextDocument* doc) : QSyntaxHighlighter(doc)
    {
        tag_.setForeground(Qt::darkBlue);
        attribute_.setForeground(Qt::darkRed);
        value_.setForeground(Qt::darkGreen);
        comment_.setForeground(Qt::gray);
    }

protected:
    void highlightBlock(const QString& text) override
    {
        static const QRegularExpression tag(QStringLiteral("</?[^\\s>/]+|/?>|<\\?[^\\s?]+|\\?>"));
        static const QRegularExpression attribute(QStringLiteral("\\s([^\\s=<>]+)="));
        static const QRegularExpression value(QStringLiteral("\"[^\"]*\"|'[^']*'"));
        static const QRegularExpression comment(QStringLiteral("<!--.*?-->"));
        for (auto it = tag.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            setFormat(int(m.capturedStart()), int(m.capturedLength()), tag_);
        }
        for (auto it = attribute.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            setFormat(int(m.capturedStart(1)), int(m.capturedLength(1)), attribute_);
        }
        for (auto it = value.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            setFormat(int(m.capturedStart()), int(m.capturedLength()), value_);
        }
        for (auto it = comment.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            setFormat(int(m.capturedStart()), int(m.capturedLength()), comment_);
        }
    }

private:
    QTextCharFormat tag_, attribute_, value_, comment_;
};

// Draws an entry 2 pixels in from the reading edge, one line, centred; in
// two-line mode the second line names the entry's second file.
class EntryDelegate final : public QStyledItemDelegate {
public:
    EntryDelegate(const TFormPDFView* view, const bool* twoLine, QObject* parent)
        : QStyledItemDelegate(parent), view_(view), twoLine_(twoLine)
    {
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), *twoLine_ ? 32 : 16);
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        opt.text.clear();
        QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        const std::vector<std::string> lines = view_->EntryLines(index.row());
        const bool rtl = option.direction == Qt::RightToLeft;
        const Qt::Alignment align = (rtl ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        QRect r = option.rect.adjusted(rtl ? 0 : 2, 0, rtl ? -2 : 0, 0);
        painter->save();
        painter->setPen(opt.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                : QPalette::Text));
        if (lines.size() > 1) {
            painter->drawText(QRect(r.left(), r.top(), r.width(), 16), align | Qt::TextSingleLine, Q(lines[0]));
            painter->drawText(QRect(r.left(), r.top() + 16, r.width(), 16), align | Qt::TextSingleLine, Q(lines[1]));
        } else if (!lines.empty()) {
            painter->drawText(r, align | Qt::TextSingleLine, Q(lines[0]));
        }
        painter->restore();
    }

private:
    const TFormPDFView* view_;
    const bool* twoLine_;
};

} // namespace

TFormPDFView::TFormPDFView(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ClientFormPDFView"));
    setMinimumSize(500, 400);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    splitter_ = new QSplitter(Qt::Horizontal, this);
    listBox_ = new QListWidget(splitter_);
    listBox_->setItemDelegate(new EntryDelegate(this, &list_.twoLine, listBox_));
    listBox_->hide();
    stack_ = new QStackedWidget(splitter_);
    splitter_->setStretchFactor(1, 1);

    imagePanel_ = new QWidget(stack_);
    auto* imageLayout = new QVBoxLayout(imagePanel_);
    imageLayout->setContentsMargins(0, 0, 0, 0);
    pagePanel_ = new QWidget(imagePanel_);
    auto* pageLayout = new QHBoxLayout(pagePanel_);
    const char* captions[] = {"First", "Previous", "Next", "Last"};
    for (int i = 0; i < 4; ++i) {
        pageButtons_[i] = new QPushButton(QString::fromLatin1(captions[i]), pagePanel_);
        pageLayout->addWidget(pageButtons_[i]);
        connect(pageButtons_[i], &QPushButton::clicked, this, [this, i] {
            const int target = i == 0 ? 0 : i == 1 ? std::max(tifPage_ - 1, 0)
                             : i == 2 ? std::min(tifPage_ + 1, tifPageCount_ - 1) : tifPageCount_ - 1;
            ShowTifPage(shownFile_, target);
        });
    }
    pageLayout->addStretch();
    pagePanel_->hide();
    imageScroll_ = new QScrollArea(imagePanel_);
    image_ = new QLabel(imageScroll_);
    image_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imageScroll_->setWidget(image_);
    imageLayout->addWidget(pagePanel_);
    imageLayout->addWidget(imageScroll_, 1);
    stack_->addWidget(imagePanel_);
    outer->addWidget(splitter_, 1);

    bottom_ = new QWidget(this);
    auto* bottomLayout = new QHBoxLayout(bottom_);
    bottomLayout->addStretch();
    okButton_ = new QPushButton(QStringLiteral("OK"), bottom_);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), bottom_);
    bottomLayout->addWidget(okButton_);
    bottomLayout->addWidget(cancelButton_);
    outer->addWidget(bottom_);
    connect(okButton_, &QPushButton::clicked, this, [this] {
        closedByButton_ = true;
        done(kResultOk);
    });
    connect(cancelButton_, &QPushButton::clicked, this, [this] {
        closedByButton_ = true;
        done(kResultCancel);
    });
    connect(listBox_, &QListWidget::itemClicked, this, [this] { PostShowSelection(); });
}

TFormPDFView::~TFormPDFView()
{
    DropPdfControl();
}

void TFormPDFView::SetSingleFile(const std::string& fileName)
{
    listMode_ = false;
    list_ = ViewerList();
    listBox_->hide();
    okButton_->hide();
    shownFile_ = fileName;
}

void TFormPDFView::SetList(ViewerList list, const std::string& okCaption)
{
    listMode_ = true;
    list_ = std::move(list);
    listBox_->clear();
    for (const ViewerEntry& e : list_.entries)
        listBox_->addItem(Q(e.caption));
    listBox_->setVisible(true);
    okButton_->setText(Q(okCaption));
    okButton_->show();
}

std::vector<std::string> TFormPDFView::EntryLines(int i) const
{
    if (i < 0 || i >= static_cast<int>(list_.entries.size()))
        return {};
    const ViewerEntry& e = list_.entries[static_cast<size_t>(i)];
    if (!list_.twoLine)
        return {e.caption};
    return {e.caption, "   (" + NameOf(e.secondLine) + ")"};
}

QWidget* TFormPDFView::CurrentView() const
{
    return stack_->currentWidget();
}

void TFormPDFView::PostShowSelection()
{
    QTimer::singleShot(0, this, [this] { ShowSelection(); });
}

void TFormPDFView::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    setWindowTitle(Q(Lang("FrmPDF.pas.Form.Caption", "PDF Viewer")));
    cancelButton_->setText(Q(Lang("FrmPDF.pas.spbCancel.Caption", "Cancel")));
    if (listMode_ && listBox_->count() > 0) {
        listBox_->setCurrentRow(0);
        if (!list_.firstPreview.empty()) {
            const QString wanted = Q(NameOf(list_.firstPreview));
            for (int i = 0; i < listBox_->count(); ++i)
                if (Q(NameOf(list_.entries[static_cast<size_t>(i)].file)).compare(wanted, Qt::CaseInsensitive) == 0) {
                    listBox_->setCurrentRow(i);
                    break;
                }
        }
    }
    PostShowSelection();
    closedByButton_ = false;
}

void TFormPDFView::ShowSelection()
{
    if (fetch_ && listMode_ && listBox_->count() > 0) {
        if (listBox_->currentRow() < 0)
            listBox_->setCurrentRow(0);
        std::string local;
        if (fetch_(list_.entries[static_cast<size_t>(listBox_->currentRow())].file, local))
            shownFile_ = local;
    }
    if (!FileExists(shownFile_))
        return;
    switch (GetViewerFileType(shownFile_)) {
    case kViewPdf:
        ShowPdf(shownFile_);
        break;
    case kViewTiff:
        ShowTifPage(shownFile_, 0);
        break;
    case kViewJpeg:
        ShowJPG(shownFile_);
        break;
    case kViewText:
        // Shown decoded; the file itself stays as it is.
        ShowText(DecodeTextForDisplay(ReadFile(shownFile_)), false);
        break;
    case kViewXml:
        ShowText(FormatXmlForDisplay(ReadFile(shownFile_)), true);
        break;
    default:
        break;
    }
}

void TFormPDFView::ShowPdf(const std::string& fileName)
{
    pagePanel_->hide();
    DropPdfControl();
    // This viewer takes the PDF reader: the other clients close theirs.
    if (Hooks().tookPdfReader)
        Hooks().tookPdfReader();
    pdfDocument_ = new QPdfDocument(this);
    pdfView_ = new QPdfView(stack_);
    pdfView_->setPageMode(QPdfView::PageMode::MultiPage);
    pdfView_->setDocument(pdfDocument_);
    stack_->addWidget(pdfView_);
    pdfDocument_->load(Q(fileName));
    if (list_.twoLine && listBox_->currentRow() >= 0) {
        bool ok = false;
        int page = Q(list_.entries[static_cast<size_t>(listBox_->currentRow())].startPage).trimmed().toInt(&ok);
        if (!ok)
            page = 1;
        if (page >= 1 && page <= pdfDocument_->pageCount())
            pdfView_->pageNavigator()->jump(page - 1, QPointF(), 0);
    }
    stack_->setCurrentWidget(pdfView_);
    if (isVisible())
        pdfView_->setFocus();
}

void TFormPDFView::DropPdfControl()
{
    if (pdfView_) {
        stack_->removeWidget(pdfView_);
        pdfView_->setDocument(nullptr);
        delete pdfView_;
        pdfView_ = nullptr;
    }
    if (pdfDocument_) {
        pdfDocument_->close();
        delete pdfDocument_;
        pdfDocument_ = nullptr;
    }
}

void TFormPDFView::ShowTifPage(const std::string& fileName, int page)
{
    TTifBitmap bitmap;
    if (!bitmap.LoadFromFile(fileName))
        return;
    const QImage img = bitmap.LoadPage(page);
    if (img.isNull())
        return;
    tifPage_ = page;
    tifPageCount_ = bitmap.PageCount();
    image_->setPixmap(QPixmap::fromImage(img));
    image_->resize(img.size());
    pagePanel_->setVisible(tifPageCount_ > 1);
    pageButtons_[0]->setEnabled(page > 0);
    pageButtons_[1]->setEnabled(page > 0);
    pageButtons_[2]->setEnabled(page < tifPageCount_ - 1);
    pageButtons_[3]->setEnabled(page < tifPageCount_ - 1);
    stack_->setCurrentWidget(imagePanel_);
}

void TFormPDFView::ShowJPG(const std::string& fileName)
{
    QImage img;
    if (!img.load(Q(fileName), "JPEG"))
        return;
    pagePanel_->hide();
    image_->setPixmap(QPixmap::fromImage(img));
    image_->resize(img.size());
    stack_->setCurrentWidget(imagePanel_);
}

void TFormPDFView::ShowText(const std::string& text, bool xml)
{
    if (!editor_) {
        editor_ = new QPlainTextEdit(stack_);
        editor_->setReadOnly(true);
        editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
        editor_->setTabStopDistance(4 * editor_->fontMetrics().horizontalAdvance(QLatin1Char(' ')));
        stack_->addWidget(editor_);
    }
    delete editor_->document()->findChild<QSyntaxHighlighter*>();
    if (xml)
        new XmlHighlighter(editor_->document());
    pagePanel_->hide();
    editor_->setPlainText(Q(text));
    stack_->setCurrentWidget(editor_);
}

void TFormPDFView::closeEvent(QCloseEvent* event)
{
    // The window's close box during a review asks for the decision.
    if (!closing_ && isVisible() && listMode_ && okButton_->isVisible() && !closedByButton_) {
        closing_ = true;
        hide();
        const std::string caption = Lang("FrmPDF.pas.Message.1", "Information");
        const std::string text = Lang("FrmPDF.pas.Message.2", "Would you like to sign this application now ?");
        const std::vector<std::string> buttons {Lang("FrmPDF.pas.Message.3", "&Yes"),
                                                Lang("FrmPDF.pas.Message.4", "&No")};
        const int answer = Hooks().ask ? Hooks().ask(caption, text, buttons) : -1;
        closing_ = false;
        closedByButton_ = true;
        event->ignore();
        done(answer == 0 ? kResultOk : kResultCancel);
        return;
    }
    QDialog::closeEvent(event);
}

void TFormPDFView::done(int result)
{
    DropPdfControl();
    if (editor_) {
        stack_->removeWidget(editor_);
        delete editor_;
        editor_ = nullptr;
    }
    QDialog::done(result);
}

// ---- the program-wide viewer --------------------------------------------------

TFormPDFView* CurrentPDFView()
{
    return TheViewer().data();
}

bool CreatePDFView(int left, int top, int width, int height)
{
    ClosePDFView();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto* view = new TFormPDFView();
    view->setAttribute(Qt::WA_DeleteOnClose, false);
    if (left != -1)
        view->setGeometry(left, top, width, height);
    TheViewer() = view;
    QApplication::restoreOverrideCursor();
    return true;
}

int ShowPDFView(int left, int top, int width, int height, bool modal)
{
    TFormPDFView* view = CurrentPDFView();
    if (!view)
        return 0;
    if (left == -1) {
        view->setWindowState(Qt::WindowMaximized);
    } else {
        view->setGeometry(left, top, width, height);
        view->setWindowState(Qt::WindowNoState);
        view->setGeometry(left, top, width, height);
    }
    if (modal) {
        if (view->isVisible())
            view->hide();
        return view->exec();
    }
    if (view->isVisible())
        view->ShowSelection();
    else
        view->show();
    return 1;
}

void SetViewerHooks(ViewerHooks hooks)
{
    Hooks() = std::move(hooks);
}

void ClosePDFView()
{
    if (TFormPDFView* view = CurrentPDFView()) {
        TheViewer() = nullptr;
        view->hide();
        delete view;
    }
}

bool ViewFile(const std::string& fileName, int left, int top, int width, int height)
{
    if (!CreatePDFView(left, top, width, height))
        return false;
    CurrentPDFView()->SetSingleFile(fileName);
    ShowPDFView(left, top, width, height, false);
    return true;
}

int ViewFileList(const std::string& listText, int left, int top, int width, int height, FetchFile fetch)
{
    if (!CreatePDFView(left, top, width, height))
        return 0;
    TFormPDFView* view = CurrentPDFView();
    view->SetFetchCallback(std::move(fetch));
    view->SetList(ParseViewFileList(listText), Lang("FrmPDF.pas.Message.5", "Sign Now"));
    return ShowPDFView(left, top, width, height, true);
}

int ViewFileListExt(const std::string& text, int left, int top, int width, int height, FetchFile fetch)
{
    if (!CreatePDFView(left, top, width, height))
        return 0;
    TFormPDFView* view = CurrentPDFView();
    view->SetFetchCallback(std::move(fetch));
    view->SetList(ParseViewFileListExt(text), Lang("FrmPDF.pas.Message.6", "Sign Now"));
    return ShowPDFView(left, top, width, height, true);
}

} // namespace viewer
