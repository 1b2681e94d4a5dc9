// A whole test on the tunnel emulator, run from the console's own commands and dialogs: set the
// wind, raise it, stop it, comment, save, clear, open the file again and keep it as the overlay.

#include <QFile>
#include <QFileDialog>
#include <cmath>
#include <memory>

#include "ConsoleTestSupport.h"
#include "Zefsim.h"
#include "files/TestFile.h"

namespace {

class ZefsimRun : public CConsoleViewTest {
protected:
    void SetUp() override {
        if (!CZefsim::Available()) {
            GTEST_SKIP() << "zefsim is not built";
        }
        CConsoleViewTest::SetUp();
        ASSERT_TRUE(m_files.isValid());
        // A quick fan, answering at once.
        m_pSim = std::make_unique<CZefsim>(std::vector<std::string>{"--no-pacing", "--tau", "0.3"});
        ASSERT_TRUE(m_pSim->IsRunning());
        QFile profile(theApp.m_profile.Path());
        ASSERT_TRUE(profile.open(QIODevice::WriteOnly));
        profile.write(
            ("[System]\r\nCOM Port=1\r\n[Ports]\r\nCOM1=" + m_pSim->Device() + "\r\n").c_str());
        profile.close();
        // The port as start-up leaves it: open on the emulator's device, the start-up commands
        // sent.
        thePort.SetDeviceFactory({});
        thePort.SetProfilePath(theApp.m_profile.Path());
        thePort.m_nPort = 1;
        ASSERT_TRUE(thePort.Open());
        thePort.m_bOnline = 1;
        char szReply[POLL_REPLY_SIZE];
        ASSERT_TRUE(thePort.SendCommand(CMD_RESET, szReply, sizeof szReply, true));
        ASSERT_TRUE(thePort.SendCommand(CMD_CANCEL, szReply, sizeof szReply, false));
    }
    void TearDown() override {
        CConsoleViewTest::TearDown();
        m_pSim.reset();
    }

    // The file dialog of the next command: a name typed in the test's folder, then its button.
    void ChooseFile(const QString& strName) {
        m_modal.Then([this, strName](QWidget* pWidget) {
            auto* pDlg = qobject_cast<QFileDialog*>(pWidget);
            ASSERT_NE(pDlg, nullptr);
            pDlg->setDirectory(m_files.path());
            auto* pEdit = pDlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(pEdit, nullptr);
            QTest::keyClicks(pEdit, strName);
            QDialog* pBase = pDlg;
            pBase->accept();
        });
    }
    bool WaitFor(std::function<bool()> fnDone, int nSeconds) {
        return QTest::qWaitFor(fnDone, nSeconds * 1000);
    }
    // The "W" commands the emulator received, as tenths of a mph.
    std::vector<int> WindCommands() {
        std::vector<int> speeds;
        for (const std::string& cmd : m_pSim->Log()) {
            if (cmd[0] == 'W')
                speeds.push_back(std::stoi(cmd.substr(1)));
        }
        return speeds;
    }

    QTemporaryDir m_files;
    std::unique_ptr<CZefsim> m_pSim;
};

TEST_F(ZefsimRun, AWholeTestRunsSavesReopensAndBecomesTheOverlay) {
    // Set Wind: 15 mph, then a step up to 20.
    AnswerWindSpeed(QStringLiteral("15"), true);
    Key(Qt::Key_W);
    ASSERT_TRUE(WaitFor([&] { return Rec().m_dFiltWind > 13; }, 30));
    EXPECT_TRUE(StatusText().startsWith("RUNNING - Wind Speed: ")) << StatusText().toStdString();
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Rec().m_dTargetSpeed, 20);
    ASSERT_TRUE(WaitFor([&] { return Rec().m_dFiltWind > 18; }, 30));
    const std::vector<int> winds = WindCommands();
    ASSERT_FALSE(winds.empty());
    EXPECT_EQ(winds.front(), 5);
    EXPECT_EQ(*std::max_element(winds.begin(), winds.end()), 200);
    EXPECT_GE(*std::min_element(winds.begin(), winds.end()), 0);

    // The sweep is on the graph: readings from the lowest speeds up to the last one.
    const int nLast = Rec().m_nLastSlot;
    int nRecorded = 0;
    for (int i = 1; i <= nLast; ++i) {
        nRecorded += Rec().IsRecorded(i);
    }
    EXPECT_GT(nRecorded, 30);
    EXPECT_TRUE(Rec().IsRecorded(nLast));

    // Stop: "C" and "O", then only the status until the fan has run down.
    const std::size_t nBeforeStop = m_pSim->Log().size();
    Key(Qt::Key_S);
    ASSERT_TRUE(WaitFor([&] { return !PollRunning(); }, 30));
    EXPECT_EQ(StatusText(), "Wind speed is Zero");
    EXPECT_EQ(thePort.m_bReturningToZero, 0);
    const std::vector<std::string> log = m_pSim->Log();
    ASSERT_GE(log.size(), nBeforeStop + 4);
    std::vector<std::string> afterStop(log.begin() + static_cast<std::ptrdiff_t>(nBeforeStop),
                                       log.end());
    EXPECT_EQ(afterStop[0], "S");
    EXPECT_EQ(afterStop[1], "C");
    EXPECT_EQ(afterStop[2], "O");
    for (std::size_t i = 3; i < afterStop.size(); ++i) {
        EXPECT_EQ(afterStop[i], "S") << i;
    }

    // A comment, then Save As.
    m_modal.Then([](QWidget* pWidget) {
        auto* pDlg = dynamic_cast<CCommentsDlg*>(pWidget);
        ASSERT_NE(pDlg, nullptr);
        QTest::keyClicks(pDlg->m_pLine[0], QStringLiteral("Flat plate, 20 mph"));
        QDialog* pBase = pDlg;
        pBase->accept();
    });
    Key(Qt::Key_E);
    ChooseFile(QStringLiteral("flat-plate"));
    Key(Qt::Key_S, Qt::ControlModifier);
    const QString strFile = m_files.filePath(QStringLiteral("flat-plate.ZEF"));
    QFile file(strFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray::fromStdString(FormatTestFile(Rec())));
    const TestRecord run = Rec();

    // Clear, then Open: the same test again, to the six decimals of the file.
    Key(Qt::Key_C);
    ASSERT_FALSE(Rec().IsRecorded(nLast));
    ChooseFile(QStringLiteral("flat-plate"));
    Key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(Rec().m_strComment, run.m_strComment);
    EXPECT_EQ(Rec().m_strComment[0], "Flat plate, 20 mph");
    EXPECT_EQ(Rec().m_bEnglish, 1);
    // The zero point is always read back as zero, whatever the first reading left there.
    EXPECT_EQ(Rec().m_lift.m_dValue[0], 0.0);
    EXPECT_EQ(Rec().m_drag.m_dValue[0], 0.0);
    for (int i = 1; i < SLOT_COUNT; ++i) {
        ASSERT_EQ(Rec().IsRecorded(i), run.IsRecorded(i)) << i;
        if (run.IsRecorded(i)) {
            ASSERT_NEAR(Rec().m_lift.m_dValue[i], run.m_lift.m_dValue[i], 5e-7) << i;
            ASSERT_NEAR(Rec().m_drag.m_dValue[i], run.m_drag.m_dValue[i], 5e-7) << i;
        }
    }
    EXPECT_TRUE(PictureIsCurrent());

    // Overlay Set: the reopened test becomes the overlay, ready for the next run.
    const TestRecord reopened = Rec();
    Key(Qt::Key_O);
    for (int i = 0; i < SLOT_COUNT; ++i) {
        ASSERT_EQ(Rec().m_lift.m_dOverlay[i], reopened.m_lift.m_dValue[i]) << i;
        ASSERT_EQ(Rec().m_drag.m_dOverlay[i], reopened.m_drag.m_dValue[i]) << i;
        ASSERT_FALSE(Rec().IsRecorded(i)) << i;
    }
    EXPECT_TRUE(PlotIsCurrent());
    EXPECT_TRUE(m_boxes.m_shown.empty());
    EXPECT_EQ(thePort.m_bOnline, 1);
}

}  // namespace
