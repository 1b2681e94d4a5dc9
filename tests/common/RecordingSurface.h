#pragma once

#include <QPaintDevice>
#include <QPaintEngine>
#include <QTextItem>
#include <QTransform>
#include <string>
#include <vector>

// A paint device that draws nothing and writes down what is painted on it: each text with the
// point it is set at (device pixels, on its baseline) and whether it is turned to read upward,
// each line, and each filled rectangle with its colour. The graph draws on it as on a printer
// page of the size given, at a screen's 96 dots per inch.
class CRecordingSurface : public QPaintDevice {
public:
    struct Text {
        std::string strText;
        QPoint ptAt;
        bool bTurned;
    };
    struct Fill {
        QRect rc;
        QRgb rgb;
    };

    CRecordingSurface(int nWidth, int nHeight) : m_nWidth(nWidth), m_nHeight(nHeight) {}
    ~CRecordingSurface() override = default;

    QPaintEngine* paintEngine() const override { return &m_engine; }

    std::vector<Text> m_texts;
    std::vector<QLine> m_lines;
    std::vector<Fill> m_fills;

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth:
                return m_nWidth;
            case PdmHeight:
                return m_nHeight;
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return 96;
            case PdmDepth:
                return 32;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(devicePixelRatioFScale());
            default:
                return QPaintDevice::metric(metric);
        }
    }

private:
    class CEngine : public QPaintEngine {
    public:
        explicit CEngine(CRecordingSurface& surface)
            : QPaintEngine(QPaintEngine::AllFeatures), m_surface(surface) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        Type type() const override { return QPaintEngine::User; }
        void updateState(const QPaintEngineState& state) override {
            if (state.state() & DirtyTransform) {
                m_transform = state.transform();
            }
            if (state.state() & DirtyBrush) {
                m_rgbBrush = state.brush().color().rgb();
            }
        }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawTextItem(const QPointF& p, const QTextItem& item) override {
            const QPoint ptAt = m_transform.map(p).toPoint();
            m_surface.m_texts.push_back({item.text().toStdString(), ptAt,
                                         m_transform.m12() != 0 || m_transform.m21() != 0});
        }
        void drawLines(const QLine* pLines, int nCount) override {
            for (int i = 0; i < nCount; ++i) {
                m_surface.m_lines.push_back(m_transform.map(pLines[i]));
            }
        }
        void drawLines(const QLineF* pLines, int nCount) override {
            for (int i = 0; i < nCount; ++i) {
                m_surface.m_lines.push_back(m_transform.map(pLines[i]).toLine());
            }
        }
        void drawRects(const QRect* pRects, int nCount) override {
            for (int i = 0; i < nCount; ++i) {
                m_surface.m_fills.push_back({m_transform.mapRect(pRects[i]), m_rgbBrush});
            }
        }
        void drawRects(const QRectF* pRects, int nCount) override {
            for (int i = 0; i < nCount; ++i) {
                m_surface.m_fills.push_back({m_transform.mapRect(pRects[i]).toRect(), m_rgbBrush});
            }
        }
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}

    private:
        CRecordingSurface& m_surface;
        QTransform m_transform;
        QRgb m_rgbBrush = 0;
    };

    int m_nWidth;
    int m_nHeight;
    mutable CEngine m_engine{*this};
};
