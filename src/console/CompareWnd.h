#pragma once

#include <QStringList>
#include <QWidget>
#include <vector>

#include "console/Export.h"
#include "graph/CompareGraph.h"

class CMessageBoxes;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class TestRecord;

// Writes the compared tests whole or not at all: the points as CSV, or the picture as PNG or
// SVG of the graph's size on screen, or a PDF page of the locale's paper.
bool ExportCompare(const CompareView& view, const QString& strPath, ExportFormat format,
                   const ExportTarget& target, QString& strError);

// View > Compare Tests: a window of its own beside the console, with saved tests (and the
// current one) on one graph against wind speed, in the console's units.
class CCompareWnd : public QWidget {
public:
    // rec is the console's test: its unit system is the one shown, and "Add Current Test"
    // takes its points as they are then.
    CCompareWnd(const TestRecord& rec, CMessageBoxes& boxes, QWidget* pParent);

    // Reads each file and adds the tests that could be read, in order; those that could not
    // are named in the window and left out.
    void AddFiles(const QStringList& paths);
    void AddCurrentTest();
    void RemoveSelected();
    // Moves the selected test one place up (-1) or down (+1).
    void MoveSelected(int nBy);
    void SetQuantity(CompareQuantity quantity);
    // The console's units or test changed: draw again.
    void ConsoleChanged();

    // What the graph shows now.
    CompareView View() const;
    // The files left out at the last addition, each with its reason.
    QString Problems() const;
    QWidget* Canvas() const { return m_pCanvas; }
    // Export: asks for a file and writes it; a failure is told in a box.
    void OnExport();

protected:
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;

private:
    void OnAddFiles();
    void Refresh();
    void PlaceBesideConsole();

    const TestRecord& m_rec;
    CMessageBoxes& m_boxes;
    std::vector<CompareTest> m_tests;
    CompareQuantity m_quantity = CompareQuantity::Lift;
    QListWidget* m_pList;
    QComboBox* m_pQuantity;
    QLabel* m_pProblems;
    QWidget* m_pCanvas;
    QPushButton* m_pRemove;
    QPushButton* m_pUp;
    QPushButton* m_pDown;
    bool m_bPlaced = false;
};
