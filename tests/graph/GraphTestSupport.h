#pragma once

#include <QImage>
#include <string>
#include <vector>

#include "graph/Graph.h"
#include "graph/GraphPasses.h"

// Keeps every text the graph puts in the status bar.
struct CRecordingPane : CStatusPane {
    void SetStatusText(const std::string& strText) override { m_texts.push_back(strText); }
    std::vector<std::string> m_texts;
};

// A record with nothing in its tables, lift and drag shown.
inline TestRecord EmptyRecord(int bEnglish = 1) {
    return TestRecord(bEnglish, 80.0);
}

// The record's graph at a size, as the window's paint draws it.
inline QImage Painted(TestRecord& rec, int nWidth, int nHeight, CRecordingPane* pPane = nullptr) {
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    image.fill(Qt::magenta);  // shows any pixel the paint leaves
    CRecordingPane pane;
    CGraphDC dc(image);
    PaintPass(rec, dc, pPane ? *pPane : pane, false);
    return image;
}
