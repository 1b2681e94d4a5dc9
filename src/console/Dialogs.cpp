#include "console/Dialogs.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "console/ZEFApp.h"
#include "core/link/PortSelection.h"

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

CWindSpeedDlg::CWindSpeedDlg(QWidget* pParent) : CZefDialog(pParent) {
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

CCommentsDlg::CCommentsDlg(QWidget* pParent) : CZefDialog(pParent) {
    setWindowTitle(QStringLiteral("Comments"));
    auto* pGroup = new QGroupBox(QStringLiteral("Comments"), this);
    auto* pGrid = new QGridLayout(pGroup);
    for (int i = 0; i < LINE_COUNT; ++i) {
        m_pLine[i] = Edit(qPrintable(QStringLiteral("line%1").arg(i + 1)), pGroup);
        m_pLine[i]->setMinimumWidth(m_pLine[i]->fontMetrics().averageCharWidth() * 52);
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

CTestConfigDlg::CTestConfigDlg(QWidget* pParent) : CZefDialog(pParent) {
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
}

void CTestConfigDlg::OnInitDialog() {
    if (m_nUnits == 0) {
        m_pAreaUnit->setText(QStringLiteral("Sq. in."));
        m_pSpeedUnit->setText(QStringLiteral("MPH"));
    } else {
        m_pAreaUnit->setText(QStringLiteral("Sq. cm."));
        m_pSpeedUnit->setText(QStringLiteral("KPH"));
    }
}

void CTestConfigDlg::OnEnglish() {
    m_pAreaUnit->setText(QStringLiteral("Sq. in."));
    m_pSpeedUnit->setText(QStringLiteral("MPH"));
    m_pMaxSpeed->setText(QStringLiteral("80"));
}

void CTestConfigDlg::OnMetric() {
    m_pAreaUnit->setText(QStringLiteral("Sq. cm."));
    m_pSpeedUnit->setText(QStringLiteral("KPH"));
    m_pMaxSpeed->setText(QStringLiteral("130"));
}

// ---------------------------------------------------------------------------------------------

CAxisDlg::CAxisDlg(bool bMetric, QWidget* pParent) : CZefDialog(pParent), m_bMetric(bMetric) {
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

QString DescribePort(const QString& strPort) {
    // The port as the link reads the text, so that what is shown is what OK would open.
    const std::optional<int> nPort = PortFromText(strPort);
    if (!nPort) {
        return QStringLiteral("(not a port)");
    }
    const QString strDevice = theApp.m_profile.PortDevice(*nPort);
    return QFileInfo::exists(strDevice) ? strDevice : strDevice + QStringLiteral(" (not present)");
}

CComPortDlg::CComPortDlg(QWidget* pParent) : CZefDialog(pParent), m_fnDescribe(DescribePort) {
    setWindowTitle(QStringLiteral("COM Port"));
    m_pPort = DropDown("port", {}, this);
    for (int n = 1; n <= 9; ++n) {
        m_pPort->addItem(QStringLiteral("COM%1").arg(n));
    }
    m_pPort->model()->sort(0);
    m_pPort->setItemDelegate(new CPortItemDelegate(this));
    m_pPort->setMinimumContentsLength(8);
    m_pDevice = new QLabel(this);
    m_pDevice->setObjectName(QStringLiteral("device"));
    m_pDevice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* pRow = new QHBoxLayout;
    pRow->addWidget(RightLabel(QStringLiteral("Port"), this));
    pRow->addWidget(m_pPort, 1);
    QPushButton* pCancel;
    auto* pButtons = OkCancel(this, &m_btnOK, &pCancel);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pRow);
    pLayout->addWidget(m_pDevice);
    pLayout->addWidget(pButtons);
    ChainTabOrder({m_btnOK, pCancel, m_pPort});
    m_pInitialFocus = m_btnOK;
    connect(m_pPort, &QComboBox::currentTextChanged, this,
            [this](const QString& strText) { ShowDevice(strText); });
}

void CComPortDlg::DoDataExchange(CDataExchange& dx) {
    dx.ComboText(m_pPort, m_strPort);
}

void CComPortDlg::OnInitDialog() {
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
    m_pDevice->setText(m_fnDescribe ? m_fnDescribe(strPort) : QString());
}
