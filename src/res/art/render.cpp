// Small helper that turns the console's SVG drawings into PNG files and shows
// the operator's manual as the help window would, for checking by eye.
//   render svg IN.svg OUT.png WIDTH HEIGHT
//   render html IN.html OUT.png WIDTH HEIGHT [ANCHOR [SCROLL]]
//   render textpath FAMILY WEIGHT PIXELSIZE TEXT [LETTERSPACING]
//     prints the outline of TEXT as SVG path data (baseline at y = 0), so that
//     the drawings carry their lettering as shapes and need no font.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextBrowser>
#include <QScrollBar>
#include <QUrl>
#include <QFileInfo>
#include <QFont>
#include <QPainterPath>
#include <cstdio>

static void PrintPath(const QPainterPath& path) {
    for (int i = 0; i < path.elementCount(); ++i) {
        const auto e = path.elementAt(i);
        if (e.type == QPainterPath::MoveToElement) {
            if (i) std::printf("Z");
            std::printf("M%.2f,%.2f", e.x, e.y);
        } else if (e.type == QPainterPath::LineToElement) {
            std::printf("L%.2f,%.2f", e.x, e.y);
        } else if (e.type == QPainterPath::CurveToElement) {
            const auto c2 = path.elementAt(i + 1), to = path.elementAt(i + 2);
            std::printf("C%.2f,%.2f %.2f,%.2f %.2f,%.2f", e.x, e.y, c2.x, c2.y, to.x, to.y);
            i += 2;
        }
    }
    std::printf("Z\n");
}

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: render svg|html IN OUT WIDTH HEIGHT [ANCHOR]\n");
        return 2;
    }
    QApplication app(argc, argv);
    QString mode = argv[1], in = argv[2], out = argv[3];
    if (mode == "textpath") {
        QFont font(argv[2]);
        font.setWeight(QFont::Weight(atoi(argv[3])));
        font.setPixelSize(atoi(argv[4]));
        font.setHintingPreference(QFont::PreferNoHinting);
        font.setKerning(true);
        if (argc > 6) font.setLetterSpacing(QFont::AbsoluteSpacing, atof(argv[6]));
        QPainterPath path;
        path.addText(0, 0, font, QString::fromUtf8(argv[5]));
        const QRectF r = path.boundingRect();
        std::fprintf(stderr, "family %s bounds x %.1f..%.1f y %.1f..%.1f\n",
                     qPrintable(QFontInfo(font).family()), r.left(), r.right(), r.top(), r.bottom());
        PrintPath(path);
        return 0;
    }
    int w = atoi(argv[4]), h = atoi(argv[5]);
    if (mode == "svg") {
        QSvgRenderer r(in);
        if (!r.isValid()) { std::fprintf(stderr, "bad svg %s\n", argv[2]); return 1; }
        QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        r.render(&p, QRectF(0, 0, w, h));
        p.end();
        return img.convertToFormat(QImage::Format_ARGB32).save(out) ? 0 : 1;
    }
    QTextBrowser b;
    b.resize(w, h);
    b.setSource(QUrl::fromLocalFile(QFileInfo(in).absoluteFilePath()));
    b.show();
    app.processEvents();
    if (argc > 6) b.scrollToAnchor(argv[6]);
    if (argc > 7) b.verticalScrollBar()->setValue(atoi(argv[7]));
    app.processEvents();
    std::printf("document height %d\n", int(b.document()->size().height()));
    return b.grab().save(out) ? 0 : 1;
}
