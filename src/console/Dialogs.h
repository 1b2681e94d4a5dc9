#pragma once

#include <QString>
#include <array>
#include <functional>

#include "console/DataExchange.h"
#include "core/files/TestFile.h"
#include "core/link/DeviceScan.h"
#include "core/link/PortSelection.h"

class CProfile;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class QTreeWidget;

// "Wind Speed": the speed the operator asks for, in the unit the label shows.
class CWindSpeedDlg : public CZefDialog {
public:
    explicit CWindSpeedDlg(CMessageBoxes& boxes, QWidget* pParent = nullptr);

    QString m_strSpeed;
    int m_bEnglish = 1;  // 1 shows "MPH", anything else "KPH"

    QLineEdit* m_pSpeed;  // 1016
    QLabel* m_pUnit;      // 1036

protected:
    void DoDataExchange(CDataExchange& dx) override;
    void OnInitDialog() override;
};

// "Comments": the first five of the test's ten comment lines.
class CCommentsDlg : public CZefDialog {
public:
    static constexpr int LINE_COUNT = 5;
    static constexpr int MAX_CHARS = 50;
    // A test file keeps a line of at most this many bytes, and comments are filed as UTF-8.
    static constexpr int MAX_BYTES = LINE_LIMIT;

    explicit CCommentsDlg(CMessageBoxes& boxes, QWidget* pParent = nullptr);

    std::array<QString, LINE_COUNT> m_strLine;
    std::array<QLineEdit*, LINE_COUNT> m_pLine;  // 1032, 1028, 1029, 1030, 1031

protected:
    void DoDataExchange(CDataExchange& dx) override;
};

// "Test Configuration": units, maximum speed and Cd reference area.
class CTestConfigDlg : public CZefDialog {
public:
    explicit CTestConfigDlg(CMessageBoxes& boxes, QWidget* pParent = nullptr);

    int m_nUnits = -1;  // 0 English, 1 Metric
    unsigned m_nMaxSpeed = 0;
    QString m_strCdArea;

    QRadioButton* m_pEnglish;  // 1003
    QRadioButton* m_pMetric;   // 1005
    QLineEdit* m_pMaxSpeed;    // 1004
    QLabel* m_pSpeedUnit;      // 1034
    QLineEdit* m_pCdArea;      // 1027
    QLabel* m_pAreaUnit;       // 1033
    QPushButton* m_btnOK;

    void OnEnglish();
    void OnMetric();

protected:
    void DoDataExchange(CDataExchange& dx) override;
    void OnInitDialog() override;

private:
    // The area box follows the unit buttons: its number is converted to the unit shown.
    void ShowAreaIn(int nUnits);

    int m_nAreaUnits = 0;  // the unit the area box's number is in
    // The text before the last conversion and the one it gave: going back to the other unit
    // with the box untouched shows the earlier text again, so that clicking to and fro never
    // moves the number.
    QString m_strAreaBefore;
    QString m_strAreaConverted;
};

// "Axis" (English) and "Metric Axis": the tops of the four scales and the curves shown.
class CAxisDlg : public CZefDialog {
public:
    explicit CAxisDlg(CMessageBoxes& boxes, QWidget* pParent = nullptr)
        : CAxisDlg(boxes, false, pParent) {}

    QString m_strWind;
    QString m_strForce;
    QString m_strCd;
    QString m_strLD;
    int m_bLift = 0;
    int m_bDrag = 0;
    int m_bCdOn = 0;
    int m_bLDOn = 0;

    QComboBox* m_pWind;   // 1024
    QComboBox* m_pForce;  // 1006
    QComboBox* m_pCd;     // 1038
    QComboBox* m_pLD;     // 1022
    QCheckBox* m_pLift;   // 1025
    QCheckBox* m_pDrag;   // 1020
    QCheckBox* m_pCdOn;   // 1037
    QCheckBox* m_pLDOn;   // 1018
    QPushButton* m_btnOK;
    QPushButton* m_btnCancel;

protected:
    CAxisDlg(CMessageBoxes& boxes, bool bMetric, QWidget* pParent);
    void DoDataExchange(CDataExchange& dx) override;

private:
    bool m_bMetric;
};

class CMetricAxisDlg : public CAxisDlg {
public:
    explicit CMetricAxisDlg(CMessageBoxes& boxes, QWidget* pParent = nullptr)
        : CAxisDlg(boxes, true, pParent) {}
};

// "COM Port": the serial port of the tunnel's controller. Each listed port shows the device it
// opens on this machine; any "COM<n>" may be typed, or a device's path. Below, the serial
// devices present, kept up to date while the dialog is up: choosing one mapped to a port selects
// that port, choosing one not mapped proposes the lowest free port for it (mapped once the port
// opens). A path typed is taken on OK as a device chosen from the list.
class CComPortDlg : public CZefDialog {
public:
    // Ports are described by the profile's mapping; devices are looked for where devices says.
    CComPortDlg(CMessageBoxes& boxes, const CProfile& profile, const CDeviceScanner& devices,
                QWidget* pParent = nullptr);

    QString m_strPort;
    // What a port text stands for on this machine, shown beside it; by default the device the
    // profile maps it to, and whether it is present.
    std::function<QString(const QString&)> m_fnDescribe;
    // Where the devices are looked for; tests point it at a tree of fake devices.
    CDeviceScanner m_scanner;

    // The device to map the port chosen to, when the operator chose a device not mapped yet and
    // kept the port proposed for it; empty otherwise. Valid after OK.
    QString NewDevice() const;
    // Looks for devices again and shows what changed (the dialog does so every second).
    void Rescan();

    QComboBox* m_pPort;  // 1015
    QLabel* m_pPrompt;
    QLabel* m_pDevice;
    QPushButton* m_btnOK;
    QTreeWidget* m_pDevices;
    QTimer* m_pRescanTimer;

    // The list's columns.
    enum { COL_DEVICE, COL_ADAPTER, COL_PORT, COL_STATE };

protected:
    void DoDataExchange(CDataExchange& dx) override;
    void OnInitDialog() override;
    void OnOK() override;

private:
    void ShowDevice(const QString& strPort);
    void ChooseDevice(const QString& strPath);
    void SelectPortText(const QString& strPort);

    const CProfile& m_profile;
    std::vector<CSerialDeviceInfo> m_devices;
    int m_nNewPort = 0;
    QString m_strNewDevice;
    // The new device was typed by its path rather than chosen from the list, which need not
    // show it (a pseudo-terminal, a link elsewhere).
    bool m_bNewDeviceTyped = false;
};

// The COM Port dialog, asked by the link's port selection; one dialog for all its questions, so
// that a device chosen stays chosen when the dialog comes back after a port that failed.
class CComPortAsk : public CPortDialog {
public:
    CComPortAsk(CMessageBoxes& boxes, const CProfile& profile, const CDeviceScanner& devices,
                QWidget* pParent)
        : m_dlg(boxes, profile, devices, pParent) {}
    bool Ask(QString& strPort) override;
    QString NewDevice() const override { return m_dlg.NewDevice(); }

    CComPortDlg m_dlg;
};

// The device port text "COM<n>" names on this machine by the profile's mapping, for the
// operator's eyes.
QString DescribePort(const CProfile& profile, const CDeviceScanner& devices,
                     const QString& strPort);
