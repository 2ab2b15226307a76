// A printer that keeps what is drawn on it instead of printing it: every
// glyph run and every filled or stroked shape, page by page, with its box on
// the sheet and the display element that drew it.
//
// The view prints on it as on any printer (PrintViewOn: the print job's page
// loop, the printer's own device context), so what is kept is exactly what a
// PDF would hold. Boxes are device pixels of the printer (kDotsPerInch, y
// down, from the paper's corner): a shape's box is the ink its path covers
// (a stroke's widened by half the pen), a glyph run's the ink of its glyph
// outlines, cut to the clipping in force. Paper-white fills (a page's
// background, a text cell's) are no ink and are not kept.
//
// Which element drew a mark comes from the device context's observer (see
// CDrawingObserver): the drawing walk names each element before it draws
// it; a text's bytes and face come with the glyphs drawn for it, so a music
// glyph is known by its code.
//
//     RecordingPrinter printer(LayoutPaper());
//     ASSERT_TRUE(PrintViewOn(*view, printer, &printer.Observer()));
//     for (const InkMark& mark : printer.Marks()) ...
// or RecordPrint(*view), which does just that.
//
// UI thread (the one that prints).
#pragma once

#include <QPageSize>
#include <QPainterPath>
#include <QPrinter>
#include <QRectF>

#include <memory>
#include <string>
#include <vector>

class CDrawingObserver;
class CObject;
class CView;

namespace page_check {

// The printer's resolution: the PDF's, so positions match a printed file.
inline constexpr int kDotsPerInch = 1200;

struct InkMark {
    enum class Shape { Glyphs, Fill, Stroke, Picture };

    int page = 0;                       // from 1
    QRectF box;                         // device pixels, y down
    Shape shape = Shape::Fill;
    const CObject* element = nullptr;   // the element being drawn; null outside the drawing walk
    std::string text;                   // the text run the mark belongs to (UTF-8); empty outside text
    std::string face;                   // that run's face name
    int run = 0;                        // that run's number (from 1, in drawing order); 0 outside text
    // The ink's own outline (device pixels) where the box says too little:
    // glyphs, curves and slanted shapes; empty for an upright rectangle.
    QPainterPath outline;
};

class RecordingPrinter : public QPrinter {
public:
    explicit RecordingPrinter(const QPageSize& paper);
    ~RecordingPrinter() override;

    CDrawingObserver& Observer();
    const std::vector<InkMark>& Marks() const;
    int PageCount() const;

private:
    class Engine;
    std::unique_ptr<Engine> m_engine;
};

// The layout's paper, as a print job with no paper of its own takes it.
QPageSize LayoutPaper();

// Every page of `view` printed on a recording printer of the layout's paper.
struct RecordedPages {
    bool printed = false;
    int pages = 0;
    std::vector<InkMark> marks;
};
RecordedPages RecordPrint(CView& view);

}  // namespace page_check
