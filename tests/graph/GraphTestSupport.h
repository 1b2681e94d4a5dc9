#pragma once

#include <QImage>
#include <QProcess>
#include <string>
#include <vector>

#include "graph/Graph.h"
#include "graph/GraphPasses.h"

// Keeps every text the graph puts in the status bar.
struct CRecordingPane : CStatusPane {
    void SetStatusText(const std::string& strText) override { m_texts.push_back(strText); }
    std::vector<std::string> m_texts;
};

// The record's graph at a size, as the window's paint draws it on the window's screen.
inline QImage Painted(TestRecord& rec, int nWidth, int nHeight, CRecordingPane* pPane = nullptr,
                      GraphScreen* pScreen = nullptr) {
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    image.fill(Qt::magenta);  // shows any pixel the paint leaves
    CRecordingPane pane;
    GraphScreen screen;
    CGraphDC dc(image);
    rec.ApplyUnitScales();
    PaintPass(rec, pScreen ? *pScreen : screen, dc, pPane ? *pPane : pane, false);
    return image;
}

// A PDF's page as pdftoppm rasterises it (null if it cannot), at nDpi with the options given.
inline QImage Rasterised(const QString& strPdf, int nDpi, QStringList options = {}) {
    options << "-png"
            << "-r" << QString::number(nDpi) << "-singlefile" << strPdf << strPdf;
    return QProcess::execute("pdftoppm", options) != 0
               ? QImage()
               : QImage(strPdf + ".png").convertToFormat(QImage::Format_RGB32);
}
