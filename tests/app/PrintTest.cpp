// Printing, print preview and print setup from the main window: one page, a white plot on paper,
// and the window's light grey plot afterwards.

#include <QAction>
#include <QDir>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>

#include "ShellHarness.h"
#include "app/Commands.h"

namespace {

// Share of the pixels in the middle of an image (where the plot lies) that have exactly this
// colour.
double ShareOf(const QImage& image, QRgb rgb) {
    const QRect rc(image.width() * 3 / 10, image.height() * 3 / 10, image.width() * 4 / 10,
                   image.height() * 4 / 10);
    int nSame = 0;
    for (int y = rc.top(); y <= rc.bottom(); ++y) {
        for (int x = rc.left(); x <= rc.right(); ++x) {
            nSame += (image.pixel(x, y) & 0xffffff) == (rgb & 0xffffff);
        }
    }
    return static_cast<double>(nSame) / (rc.width() * rc.height());
}

const QRgb LIGHT_GREY = qRgb(192, 192, 192);
const QRgb WHITE = qRgb(255, 255, 255);

class PrintTest : public CShellTest {
protected:
    void SetUp() override {
        CShellTest::SetUp();
        StartOnline();
        LetSplashGo();
        OpenData("english-wing.ZEF");
        View().repaint();
        m_rcWindow = View().m_rec.m_rcClient;
        ASSERT_GT(ShareOf(View().Image(), LIGHT_GREY), 0.5);
    }

    // The window's picture and the pass state are as before the printing.
    void ExpectWindowAsBefore() {
        EXPECT_EQ(View().m_rec.m_rcClient, m_rcWindow);
        EXPECT_EQ(View().m_rec.m_crBackground, COLOR_LIGHT_GREY);
        View().Invalidate();
        View().repaint();
        EXPECT_GT(ShareOf(View().Image(), LIGHT_GREY), 0.5);
    }

    // The pages of a PDF as images, at a low resolution.
    std::vector<QImage> Pages(const QString& strPdf) {
        const QString strPrefix = m_dir.filePath(QStringLiteral("page"));
        const int nExit = QProcess::execute(QStringLiteral("pdftoppm"),
                                            {QStringLiteral("-r"), QStringLiteral("30"),
                                             QStringLiteral("-png"), strPdf, strPrefix});
        EXPECT_EQ(nExit, 0) << "pdftoppm";
        std::vector<QImage> pages;
        const QStringList files =
            QDir(m_dir.path()).entryList({QStringLiteral("page*.png")}, QDir::Files, QDir::Name);
        for (const QString& strFile : files) {
            pages.push_back(QImage(m_dir.filePath(strFile)).convertToFormat(QImage::Format_RGB32));
        }
        return pages;
    }

    CRect m_rcWindow;
};

}  // namespace

TEST_F(PrintTest, CtrlPPrintsExactlyOnePageWithAWhitePlot) {
    const QString strPdf = m_dir.filePath(QStringLiteral("graph.pdf"));
    theApp.Printer().setOutputFormat(QPrinter::PdfFormat);
    theApp.Printer().setOutputFileName(strPdf);
    Modal().Then([](QWidget* pModal) {
        auto* pDlg = qobject_cast<QPrintDialog*>(pModal);
        ASSERT_NE(pDlg, nullptr);
        // One page is all there is to choose.
        EXPECT_EQ(pDlg->minPage(), 1);
        EXPECT_EQ(pDlg->maxPage(), 1);
        EXPECT_FALSE(pDlg->testOption(QAbstractPrintDialog::PrintPageRange));
        pDlg->accept();
    });
    ActivateFrame();
    QTest::keyClick(&View(), Qt::Key_P, Qt::ControlModifier);
    ASSERT_TRUE(Modal().Done());

    const std::vector<QImage> pages = Pages(strPdf);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_GT(pages[0].width(), 100);
    EXPECT_GT(ShareOf(pages[0], WHITE), 0.8);
    EXPECT_EQ(ShareOf(pages[0], LIGHT_GREY), 0.0);
    EXPECT_LT(ShareOf(pages[0], WHITE), 1.0);  // the grid and the curves are there
    ExpectWindowAsBefore();
    EXPECT_TRUE(m_boxes.m_shown.empty());
}

TEST_F(PrintTest, PreviewShowsOnePageThenTheWindowIsGreyAgain) {
    int nPages = 0;
    Modal().Then([&](QWidget* pModal) {
        auto* pDlg = qobject_cast<QPrintPreviewDialog*>(pModal);
        ASSERT_NE(pDlg, nullptr);
        auto* pPreview = pDlg->findChild<QPrintPreviewWidget*>();
        ASSERT_NE(pPreview, nullptr);
        (void)QTest::qWaitFor([&] { return pPreview->pageCount() > 0; }, 2000);
        nPages = pPreview->pageCount();
        pDlg->reject();
    });
    Frame().Action(ID_FILE_PRINT_PREVIEW)->trigger();
    ASSERT_TRUE(Modal().Done());
    EXPECT_EQ(nPages, 1);
    ExpectWindowAsBefore();
}

TEST_F(PrintTest, PrintSetupWorksOnThePrinterThatPrints) {
    QPrinter* pSetUp = nullptr;
    Modal().Then([&](QWidget* pModal) {
        auto* pDlg = qobject_cast<QPageSetupDialog*>(pModal);
        ASSERT_NE(pDlg, nullptr);
        pSetUp = pDlg->printer();
        pDlg->reject();
    });
    Frame().Action(ID_FILE_PRINT_SETUP)->trigger();
    ASSERT_TRUE(Modal().Done());
    EXPECT_EQ(pSetUp, &theApp.Printer());
}
