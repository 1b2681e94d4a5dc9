#include "console/Dialogs.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyleOptionFrame>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/files/Profile.h"
#include "core/files/TestFile.h"
#include "core/link/PortSelection.h"
#include "core/record/TestSettings.h"

namespace {

QLabel* RightLabel(const QString& strText, QWidget* pParent) {
    auto* pLabel = new QLabel(strText, pParent);
    pLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return pLabel;
}

// OK (the default button) and Cancel.
QDialogButtonBox* OkCancel(QDialog* pDialog, QPushButton** ppOK = nullptr,
                           QPushButton** ppCancel = nullptr) {
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, pDialog);
    QObject::connect(pButtons, &QDialogButtonBox::accepted, pDialog, &QDialog::accept);
    QObject::connect(pButtons, &QDialogButtonBox::rejected, pDialog, &QDialog::reject);
    QPushButton* pOK = pButtons->button(QDialogButtonBox::Ok);
    pOK->setDefault(true);
    if (ppOK)
        *ppOK = pOK;
    if (ppCancel)
        *ppCancel = pButtons->button(QDialogButtonBox::Cancel);
    return pButtons;
}

QLineEdit* Edit(const char* pName, QWidget* pParent) {
    auto* pEdit = new QLineEdit(pParent);
    pEdit->setObjectName(QLatin1String(pName));
    return pEdit;
}

QComboBox* DropDown(const char* pName, const QStringList& list, QWidget* pParent) {
    auto* pBox = new QComboBox(pParent);
    pBox->setObjectName(QLatin1String(pName));
    pBox->setEditable(true);
    pBox->setInsertPolicy(QComboBox::NoInsert);
    pBox->addItems(list);
    // A box takes what is typed as it is: "2" in the L/D box is 2, not the "20" a completion
    // would make of it, and "COM1" stays "COM1" on the way to "COM12".
    pBox->setCompleter(nullptr);
    return pBox;
}

// The inner margin a line edit keeps on each side of its text; the 1 beside it is the cursor.
constexpr int LINE_EDIT_MARGIN = 2;

// A comment is one line: whatever typing, pasting or dropping brings, a control character or a
// line or paragraph separator becomes a blank, where it stands.
void KeepOnOneLine(QLineEdit* pEdit) {
    QString strText = pEdit->text();
    bool bChanged = false;
    for (QChar& c : strText) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph) {
            c = QLatin1Char(' ');
            bChanged = true;
        }
    }
    if (bChanged) {
        const int nCursor = pEdit->cursorPosition();
        pEdit->setText(strText);
        pEdit->setCursorPosition(nCursor);
    }
}

// A line edit's width that shows nChars capitals whole, beside the frame and margins the style
// draws, in the edit's own font.
int WidthForCapitals(QLineEdit* pEdit, int nChars) {
    QStyleOptionFrame option;
    option.initFrom(pEdit);
    option.lineWidth = pEdit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, pEdit);
    const QMargins margins = pEdit->textMargins();
    const QFontMetrics metrics = pEdit->fontMetrics();
    const QSize text(metrics.horizontalAdvance(QString(nChars, QLatin1Char('W'))) +
                         2 * LINE_EDIT_MARGIN + 1 + margins.left() + margins.right(),
                     metrics.height());
    return pEdit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, pEdit).width();
}

void ChainTabOrder(std::initializer_list<QWidget*> widgets) {
    QWidget* pPrevious = nullptr;
    for (QWidget* p : widgets) {
        if (pPrevious) {
            QWidget::setTabOrder(pPrevious, p);
        }
        pPrevious = p;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------

CWindSpeedDlg::CWindSpeedDlg(CMessageBoxes& boxes, QWidget* pParent) : CZefDialog(boxes, pParent) {
    setWindowTitle(QStringLiteral("Wind Speed"));
    m_pSpeed = Edit("speed", this);
    m_pUnit = new QLabel(QStringLiteral("MPH"), this);
    m_pUnit->setObjectName(QStringLiteral("unit"));
    auto* pRow = new QHBoxLayout;
    pRow->addWidget(RightLabel(QStringLiteral("Enter Speed"), this));
    pRow->addWidget(m_pSpeed);
    pRow->addWidget(m_pUnit);
    QPushButton *pOK, *pCancel;
    auto* pButtons = OkCancel(this, &pOK, &pCancel);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pRow);
    pLayout->addWidget(pButtons);
    ChainTabOrder({m_pSpeed, pOK, pCancel});
    m_pInitialFocus = m_pSpeed;
}

void CWindSpeedDlg::DoDataExchange(CDataExchange& dx) {
    dx.Text(m_pSpeed, m_strSpeed);
}

void CWindSpeedDlg::OnInitDialog() {
    m_pUnit->setText(m_bEnglish == 1 ? QStringLiteral("MPH") : QStringLiteral("KPH"));
}

// ---------------------------------------------------------------------------------------------

CCommentsDlg::CCommentsDlg(CMessageBoxes& boxes, QWidget* pParent) : CZefDialog(boxes, pParent) {
    setWindowTitle(QStringLiteral("Comments"));
    auto* pGroup = new QGroupBox(QStringLiteral("Comments"), this);
    auto* pGrid = new QGridLayout(pGroup);
    for (int i = 0; i < LINE_COUNT; ++i) {
        QLineEdit* pLine = m_pLine[i] =
            Edit(qPrintable(QStringLiteral("line%1").arg(i + 1)), pGroup);
        QObject::connect(pLine, &QLineEdit::textChanged, pLine,
                         [pLine] { KeepOnOneLine(pLine); });
        pLine->setMinimumWidth(WidthForCapitals(pLine, MAX_CHARS));
        pGrid->addWidget(RightLabel(QString::number(i + 1), pGroup), i, 0);
        pGrid->addWidget(m_pLine[i], i, 1);
    }
    QPushButton *pOK, *pCancel;
    auto* pButtons = OkCancel(this, &pOK, &pCancel);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pGroup);
    pLayout->addWidget(pButtons);
    ChainTabOrder({m_pLine[0], m_pLine[1], m_pLine[2], m_pLine[3], m_pLine[4], pOK, pCancel});
    m_pInitialFocus = m_pLine[0];
}

void CCommentsDlg::DoDataExchange(CDataExchange& dx) {
    for (int i = 0; i < LINE_COUNT; ++i) {
        dx.Text(m_pLine[i], m_strLine[i], MAX_CHARS, MAX_BYTES);
    }
}

// ---------------------------------------------------------------------------------------------

CTestConfigDlg::CTestConfigDlg(CMessageBoxes& boxes, QWidget* pParent)
    : CZefDialog(boxes, pParent) {
    setWindowTitle(QStringLiteral("Test Configuration"));
    auto* pUnits = new QGroupBox(QStringLiteral("Units"), this);
    m_pEnglish = new QRadioButton(QStringLiteral("English"), pUnits);
    m_pEnglish->setObjectName(QStringLiteral("english"));
    m_pMetric = new QRadioButton(QStringLiteral("Metric"), pUnits);
    m_pMetric->setObjectName(QStringLiteral("metric"));
    // Tab passes the group by; a click or the arrow keys move inside it.
    m_pEnglish->setFocusPolicy(Qt::ClickFocus);
    m_pMetric->setFocusPolicy(Qt::ClickFocus);
    auto* pUnitsLayout = new QVBoxLayout(pUnits);
    pUnitsLayout->addWidget(m_pEnglish);
    pUnitsLayout->addWidget(m_pMetric);

    m_pMaxSpeed = Edit("maxSpeed", this);
    m_pSpeedUnit = new QLabel(QStringLiteral("MPH"), this);
    m_pSpeedUnit->setObjectName(QStringLiteral("speedUnit"));
    m_pCdArea = Edit("cdArea", this);
    m_pAreaUnit = new QLabel(QStringLiteral("Sq. in."), this);
    m_pAreaUnit->setObjectName(QStringLiteral("areaUnit"));
    auto* pGrid = new QGridLayout;
    pGrid->addWidget(RightLabel(QStringLiteral("Max Speed"), this), 0, 0);
    pGrid->addWidget(m_pMaxSpeed, 0, 1);
    pGrid->addWidget(m_pSpeedUnit, 0, 2);
    pGrid->addWidget(RightLabel(QStringLiteral("Cd Area"), this), 1, 0);
    pGrid->addWidget(m_pCdArea, 1, 1);
    pGrid->addWidget(m_pAreaUnit, 1, 2);

    QPushButton* pCancel;
    auto* pButtons = OkCancel(this, &m_btnOK, &pCancel);
    auto* pLayout = new QVBoxLayout(this);
    auto* pTop = new QHBoxLayout;
    pTop->addWidget(pUnits);
    pTop->addLayout(pGrid);
    pLayout->addLayout(pTop);
    pLayout->addWidget(pButtons);
    ChainTabOrder({m_pMaxSpeed, m_pCdArea, m_btnOK, pCancel});
    m_pInitialFocus = m_pMaxSpeed;

    // A click sets the box even when the button was already selected.
    connect(m_pEnglish, &QRadioButton::clicked, this, [this] { OnEnglish(); });
    connect(m_pMetric, &QRadioButton::clicked, this, [this] { OnMetric(); });
}

void CTestConfigDlg::DoDataExchange(CDataExchange& dx) {
    dx.Radio({m_pEnglish, m_pMetric}, m_nUnits);
    dx.Text(m_pMaxSpeed, m_nMaxSpeed);
    dx.Text(m_pCdArea, m_strCdArea);
    // Every saved test must read back with the area it was saved with.
    if (dx.SaveAndValidate() && !dx.Failed() &&
        !AreaFitsFileLine(CdAreaOf({m_nUnits, m_nMaxSpeed, m_strCdArea.toStdString()}))) {
        dx.Fail(m_pCdArea, QStringLiteral("This Cd area is too large to be saved in a test file."));
    }
}

void CTestConfigDlg::OnInitDialog() {
    m_nAreaUnits = m_nUnits == 0 ? 0 : 1;
    m_strAreaBefore.clear();
    m_strAreaConverted.clear();
    if (m_nUnits == 0) {
        m_pAreaUnit->setText(QStringLiteral("Sq. in."));
        m_pSpeedUnit->setText(QStringLiteral("MPH"));
    } else {
        m_pAreaUnit->setText(QStringLiteral("Sq. cm."));
        m_pSpeedUnit->setText(QStringLiteral("KPH"));
    }
}

void CTestConfigDlg::ShowAreaIn(int nUnits) {
    if (nUnits == m_nAreaUnits) {
        return;
    }
    const QString strText = m_pCdArea->text();
    QString strNew;
    if (!m_strAreaConverted.isEmpty() && strText == m_strAreaConverted) {
        strNew = m_strAreaBefore;
    } else {
        strNew =
            QString::fromStdString(ConvertCdAreaText(strText.toStdString(), m_nAreaUnits, nUnits));
    }
    m_strAreaBefore = strText;
    m_strAreaConverted = strNew;
    m_pCdArea->setText(strNew);
    m_nAreaUnits = nUnits;
}

void CTestConfigDlg::OnEnglish() {
    m_pAreaUnit->setText(QStringLiteral("Sq. in."));
    m_pSpeedUnit->setText(QStringLiteral("MPH"));
    m_pMaxSpeed->setText(QStringLiteral("80"));
    ShowAreaIn(0);
}

void CTestConfigDlg::OnMetric() {
    m_pAreaUnit->setText(QStringLiteral("Sq. cm."));
    m_pSpeedUnit->setText(QStringLiteral("KPH"));
    m_pMaxSpeed->setText(QStringLiteral("130"));
    ShowAreaIn(1);
}

// ---------------------------------------------------------------------------------------------

CAxisDlg::CAxisDlg(CMessageBoxes& boxes, bool bMetric, QWidget* pParent)
    : CZefDialog(boxes, pParent), m_bMetric(bMetric) {
    setWindowTitle(bMetric ? QStringLiteral("Metric Axis") : QStringLiteral("Axis"));
    auto* pGroup = new QGroupBox(QStringLiteral("Scale Ranges"), this);
    m_pWind = DropDown("wind",
                       bMetric ? QStringList{"140", "70", "35", "15"}
                               : QStringList{"80.0", "40.0", "20.0", "10.0"},
                       pGroup);
    m_pForce = DropDown("force",
                        bMetric ? QStringList{"1.0", "0.5", "0.25", "0.125", "0.0625"}
                                : QStringList{"2.0", "1.0", "0.5", "0.25", "0.125"},
                        pGroup);
    m_pCd = DropDown("cd", {"2.0", "1.0", "0.5", "0.25"}, pGroup);
    m_pLD = DropDown("ld", {"20", "10", "5", "2.5"}, pGroup);
    m_pLift = new QCheckBox(QStringLiteral("Lift"), pGroup);
    m_pLift->setObjectName(QStringLiteral("lift"));
    m_pDrag = new QCheckBox(QStringLiteral("Drag"), pGroup);
    m_pDrag->setObjectName(QStringLiteral("drag"));
    m_pCdOn = new QCheckBox(QStringLiteral("On"), pGroup);
    m_pCdOn->setObjectName(QStringLiteral("cdOn"));
    m_pLDOn = new QCheckBox(QStringLiteral("On"), pGroup);
    m_pLDOn->setObjectName(QStringLiteral("ldOn"));

    auto* pGrid = new QGridLayout(pGroup);
    pGrid->addWidget(m_pWind, 0, 2);
    pGrid->addWidget(
        new QLabel(bMetric ? QStringLiteral("Wind (KPH)") : QStringLiteral("Wind (mph)"), pGroup),
        0, 3);
    pGrid->addWidget(m_pLift, 1, 0);
    pGrid->addWidget(m_pDrag, 1, 1);
    pGrid->addWidget(m_pForce, 1, 2);
    pGrid->addWidget(
        new QLabel(bMetric ? QStringLiteral("Force (kg)") : QStringLiteral("Force (lbs)"), pGroup),
        1, 3);
    pGrid->addWidget(m_pCdOn, 2, 1);
    pGrid->addWidget(m_pCd, 2, 2);
    pGrid->addWidget(new QLabel(QStringLiteral("Cd"), pGroup), 2, 3);
    pGrid->addWidget(m_pLDOn, 3, 1);
    pGrid->addWidget(m_pLD, 3, 2);
    pGrid->addWidget(new QLabel(QStringLiteral("L/D"), pGroup), 3, 3);

    auto* pButtons = OkCancel(this, &m_btnOK, &m_btnCancel);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pGroup);
    pLayout->addWidget(pButtons);
    if (bMetric) {
        ChainTabOrder({m_btnOK, m_btnCancel, m_pWind, m_pLift, m_pDrag, m_pForce, m_pCdOn, m_pCd,
                       m_pLDOn, m_pLD});
        m_pInitialFocus = m_btnOK;
    } else {
        ChainTabOrder({m_pWind, m_pLift, m_pDrag, m_pForce, m_pCdOn, m_pCd, m_pLDOn, m_pLD, m_btnOK,
                       m_btnCancel});
        m_pInitialFocus = m_pWind;
    }
}

void CAxisDlg::DoDataExchange(CDataExchange& dx) {
    if (m_bMetric) {
        dx.Check(m_pCdOn, m_bCdOn);
        dx.Check(m_pLDOn, m_bLDOn);
        dx.Check(m_pLift, m_bLift);
        dx.Check(m_pDrag, m_bDrag);
        dx.ComboText(m_pCd, m_strCd);
        dx.ComboText(m_pForce, m_strForce);
        dx.ComboText(m_pLD, m_strLD);
        dx.ComboText(m_pWind, m_strWind);
    } else {
        dx.ComboText(m_pForce, m_strForce);
        dx.Check(m_pLDOn, m_bLDOn);
        dx.Check(m_pCdOn, m_bCdOn);
        dx.ComboText(m_pCd, m_strCd);
        dx.ComboText(m_pLD, m_strLD);
        dx.ComboText(m_pWind, m_strWind);
        dx.Check(m_pDrag, m_bDrag);
        dx.Check(m_pLift, m_bLift);
    }
}

// ---------------------------------------------------------------------------------------------

namespace {

// Shows each listed port with the device it opens here, while the item's own text (what is
// exchanged and parsed) stays "COM<n>".
class CPortItemDelegate : public QStyledItemDelegate {
public:
    CPortItemDelegate(CComPortDlg* pDialog) : QStyledItemDelegate(pDialog), m_pDialog(pDialog) {}

protected:
    void initStyleOption(QStyleOptionViewItem* pOption, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(pOption, index);
        if (m_pDialog->m_fnDescribe) {
            pOption->text += QStringLiteral("    ") + m_pDialog->m_fnDescribe(pOption->text);
        }
    }

private:
    CComPortDlg* m_pDialog;
};

}  // namespace

QString DescribePort(const CProfile& profile, const CDeviceScanner& devices,
                     const QString& strPort) {
    // The port as the link reads the text, so that what is shown is what OK would open.
    const std::optional<int> nPort = PortFromText(strPort);
    if (!nPort) {
        return QStringLiteral("(not a port)");
    }
    if (!IsPortNumber(*nPort)) {
        return QStringLiteral("(no such port)");
    }
    const QString strDevice = profile.PortDevice(*nPort);
    return QFileInfo::exists(devices.Local(strDevice))
               ? strDevice
               : strDevice + QStringLiteral(" (not present)");
}

CComPortDlg::CComPortDlg(CMessageBoxes& boxes, const CProfile& profile,
                         const CDeviceScanner& devices, QWidget* pParent)
    : CZefDialog(boxes, pParent),
      m_fnDescribe([&profile, &devices](const QString& strPort) {
          return DescribePort(profile, devices, strPort);
      }),
      m_scanner(devices),
      m_profile(profile) {
    setWindowTitle(QStringLiteral("COM Port"));
    m_pPort = DropDown("port", {}, this);
    for (int n = 1; n <= 9; ++n) {
        m_pPort->addItem(QStringLiteral("COM%1").arg(n));
    }
    m_pPort->model()->sort(0);
    m_pPort->setItemDelegate(new CPortItemDelegate(this));
    m_pPort->setMinimumContentsLength(8);
    // A first start shows this dialog before anything else: it says what it asks for.
    m_pPrompt = new QLabel(QStringLiteral("Choose the port of the tunnel's controller: a COM port, "
                                          "a device from the list below, or a device's path."),
                           this);
    m_pPrompt->setObjectName(QStringLiteral("prompt"));
    m_pPrompt->setWordWrap(true);
    m_pDevice = new QLabel(this);
    m_pDevice->setObjectName(QStringLiteral("device"));
    m_pDevice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* pRow = new QHBoxLayout;
    pRow->addWidget(RightLabel(QStringLiteral("Port"), this));
    pRow->addWidget(m_pPort, 1);
    QPushButton* pCancel;
    auto* pButtons = OkCancel(this, &m_btnOK, &pCancel);
    m_pDevices = new QTreeWidget(this);
    m_pDevices->setObjectName(QStringLiteral("devices"));
    m_pDevices->setRootIsDecorated(false);
    m_pDevices->setAllColumnsShowFocus(true);
    m_pDevices->setHeaderLabels({QStringLiteral("Device"), QStringLiteral("Adapter"),
                                 QStringLiteral("Port"), QStringLiteral("State")});
    m_pDevices->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pDevices->setMinimumWidth(60 * fontMetrics().averageCharWidth());
    auto* pDevicesLabel = new QLabel(QStringLiteral("&Serial devices on this machine"), this);
    pDevicesLabel->setBuddy(m_pDevices);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pPrompt);
    pLayout->addLayout(pRow);
    pLayout->addWidget(m_pDevice);
    pLayout->addWidget(pDevicesLabel);
    pLayout->addWidget(m_pDevices, 1);
    pLayout->addWidget(pButtons);
    ChainTabOrder({m_btnOK, pCancel, m_pPort, m_pDevices});
    m_pInitialFocus = m_btnOK;
    connect(m_pPort, &QComboBox::currentTextChanged, this,
            [this](const QString& strText) { ShowDevice(strText); });
    // A click, or the arrow keys, choose; the focus arriving alone does not.
    connect(m_pDevices, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> selected = m_pDevices->selectedItems();
        if (!selected.isEmpty()) {
            ChooseDevice(selected.front()->data(COL_DEVICE, Qt::UserRole).toString());
        }
    });
    // Adapters come and go while the dialog is up.
    m_pRescanTimer = new QTimer(this);
    m_pRescanTimer->setInterval(1000);
    connect(m_pRescanTimer, &QTimer::timeout, this, [this] {
        if (isVisible()) {
            Rescan();
        }
    });
}

QString CComPortDlg::NewDevice() const {
    return m_nNewPort != 0 && m_strPort == PortText(m_nNewPort) ? m_strNewDevice : QString();
}

void CComPortDlg::SelectPortText(const QString& strPort) {
    const int nIndex = m_pPort->findText(strPort);
    m_pPort->setCurrentIndex(nIndex);
    if (nIndex < 0) {
        m_pPort->setEditText(strPort);
    }
}

void CComPortDlg::ChooseDevice(const QString& strPath) {
    const auto it =
        std::find_if(m_devices.begin(), m_devices.end(),
                     [&](const CSerialDeviceInfo& d) { return d.m_strPath == strPath; });
    if (it == m_devices.end()) {
        return;
    }
    if (it->m_nPort != 0) {
        m_nNewPort = 0;
        m_strNewDevice.clear();
        SelectPortText(PortText(it->m_nPort));
        return;
    }
    const int nFree = m_scanner.LowestFreePort(m_profile);
    if (nFree == 0) {
        m_pDevice->setText(QStringLiteral("No port number is free for %1").arg(strPath));
        return;
    }
    m_nNewPort = nFree;
    m_strNewDevice = strPath;
    m_bNewDeviceTyped = false;
    SelectPortText(PortText(nFree));
    ShowDevice(m_pPort->currentText());
}

void CComPortDlg::Rescan() {
    std::vector<CSerialDeviceInfo> devices = m_scanner.Scan(m_profile);
    if (devices == m_devices && m_pDevices->topLevelItemCount() > 0) {
        return;
    }
    m_devices = std::move(devices);
    const QSignalBlocker blocker(m_pDevices);
    const QTreeWidgetItem* pCurrent = m_pDevices->currentItem();
    const QString strCurrent =
        pCurrent ? pCurrent->data(COL_DEVICE, Qt::UserRole).toString() : QString();
    m_pDevices->clear();
    for (const CSerialDeviceInfo& device : m_devices) {
        auto* pItem = new QTreeWidgetItem(m_pDevices);
        pItem->setText(COL_DEVICE, device.m_strPath);
        pItem->setData(COL_DEVICE, Qt::UserRole, device.m_strPath);
        pItem->setToolTip(COL_DEVICE, device.m_strNode);
        pItem->setText(COL_ADAPTER, device.m_strDescription);
        pItem->setText(COL_PORT, device.m_nPort ? PortText(device.m_nPort) : QString());
        pItem->setText(COL_STATE, device.m_strUnusable.isEmpty() ? QStringLiteral("ready")
                                                                 : device.m_strUnusable);
        if (device.m_strPath == strCurrent) {
            m_pDevices->setCurrentItem(pItem);
        }
    }
    if (m_devices.empty()) {
        auto* pItem = new QTreeWidgetItem(m_pDevices);
        pItem->setText(COL_DEVICE, QStringLiteral("(no serial devices found)"));
        pItem->setFlags(Qt::NoItemFlags);
    }
    // A device newly chosen from the list that went away cannot be mapped.
    if (m_nNewPort != 0 && !m_bNewDeviceTyped &&
        std::none_of(m_devices.begin(), m_devices.end(), [this](const CSerialDeviceInfo& d) {
            return d.m_strPath == m_strNewDevice;
        })) {
        m_nNewPort = 0;
        m_strNewDevice.clear();
    }
    ShowDevice(m_pPort->currentText());
}

bool CComPortAsk::Ask(QString& strPort) {
    m_dlg.m_strPort = strPort;
    if (m_dlg.DoModal() != QDialog::Accepted) {
        return false;
    }
    strPort = m_dlg.m_strPort;
    return true;
}

void CComPortDlg::DoDataExchange(CDataExchange& dx) {
    dx.ComboText(m_pPort, m_strPort);
}

void CComPortDlg::OnOK() {
    if (!UpdateData(true)) {
        return;
    }
    const QString strPath = m_strPort.trimmed();
    if (IsDevicePath(strPath)) {
        const CDevicePort chosen = PortForDevice(m_profile, m_scanner, strPath);
        if (chosen.m_nPort == 0) {
            m_boxes.Show(QStringLiteral("No port number is free for %1").arg(strPath),
                         MB_OK | MB_ICONEXCLAMATION);
            m_pPort->setFocus();
            return;
        }
        // From here on as if the device had been chosen from the list.
        m_nNewPort = chosen.m_strNewDevice.isEmpty() ? 0 : chosen.m_nPort;
        m_strNewDevice = chosen.m_strNewDevice;
        m_bNewDeviceTyped = true;
        m_strPort = PortText(chosen.m_nPort);
    }
    QDialog::accept();
}

void CComPortDlg::OnInitDialog() {
    Rescan();
    m_pRescanTimer->start();
    ShowDevice(m_pPort->currentText());
    // The list opens wide enough to show each port's device whole.
    if (m_fnDescribe) {
        const QFontMetrics metrics(m_pPort->view()->font());
        int nWidest = 0;
        for (int i = 0; i < m_pPort->count(); ++i) {
            const QString strText = m_pPort->itemText(i);
            nWidest = std::max(nWidest, metrics.horizontalAdvance(strText + QStringLiteral("    ") +
                                                                  m_fnDescribe(strText)));
        }
        m_pPort->view()->setMinimumWidth(nWidest + 4 * metrics.averageCharWidth() +
                                         m_pPort->view()->verticalScrollBar()->sizeHint().width());
    }
}

void CComPortDlg::ShowDevice(const QString& strPort) {
    const QString strPath = strPort.trimmed();
    if (IsDevicePath(strPath)) {
        const CDevicePort chosen = PortForDevice(m_profile, m_scanner, strPath);
        if (chosen.m_nPort == 0) {
            m_pDevice->setText(QStringLiteral("No port number is free for %1").arg(strPath));
        } else if (chosen.m_strNewDevice.isEmpty()) {
            m_pDevice->setText(strPath + QStringLiteral(" (") + PortText(chosen.m_nPort) +
                               QLatin1Char(')'));
        } else {
            m_pDevice->setText(strPath + QStringLiteral(" (mapped to ") + PortText(chosen.m_nPort) +
                               QStringLiteral(" once it opens)"));
        }
        return;
    }
    if (m_nNewPort != 0 && strPort == PortText(m_nNewPort)) {
        m_pDevice->setText(m_strNewDevice + QStringLiteral(" (mapped to ") + strPort +
                           QStringLiteral(" once it opens)"));
        return;
    }
    m_pDevice->setText(m_fnDescribe ? m_fnDescribe(strPort) : QString());
}
