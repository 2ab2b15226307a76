// The vector paths of a printed PDF, for the print tests: each page's
// content stream (as the program's PDF writer makes it: one stream a page,
// Flate-compressed) is inflated and read, and every path it paints is
// answered with its page, whether it holds a curve and whether it is filled,
// its box (control points included) in points from the page's top left
// corner, the current transformation applied, and whether that box meets
// the page (what is painted off the sheet is in the file but never seen),
// and the left edge of the clipping path in force (its box's).
//
// Text blocks are passed over: glyphs are text, not paths. A solid tie or
// slur is one filled path of curves (its outline is stroked apart, as a
// path of its own); lines, stems, beams and bar lines are paths without a
// curve.
//
// Answers nothing for a file that is not a PDF of that form.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <vector>

namespace pdf_support {

inline constexpr double kNoClip = -1e9;

struct PdfPath {
    int page = 0;
    bool curved = false;   // holds a Bezier segment
    bool filled = false;   // painted by a fill (else stroked or only clipped)
    bool onPage = false;   // the box meets the page's
    double clipLeft = kNoClip;   // the left of the clipping path's box, points
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

namespace pdf_paths_detail {

// The affine matrix [a b c d e f] of the PDF operator cm.
using Matrix = std::array<double, 6>;

inline Matrix Multiply(const Matrix& first, const Matrix& then) {
    return {first[0] * then[0] + first[1] * then[2],         first[0] * then[1] + first[1] * then[3],
            first[2] * then[0] + first[3] * then[2],         first[2] * then[1] + first[3] * then[3],
            first[4] * then[0] + first[5] * then[2] + then[4], first[4] * then[1] + first[5] * then[3] + then[5]};
}

// The body of object `number` (from "obj" to "endobj"); empty when absent.
// `text` is the file's bytes as Latin-1, one character a byte.
inline QByteArray ObjectBody(const QByteArray& file, const QString& text, int number) {
    const QRegularExpression head(QString("(?:^|\\s)%1 0 obj\\b").arg(number));
    const QRegularExpressionMatch found = head.match(text);
    if (!found.hasMatch())
        return {};
    const qsizetype from = found.capturedEnd();
    const qsizetype to = file.indexOf("endobj", from);
    return to < 0 ? QByteArray() : file.mid(from, to - from);
}

// The inflated data of a stream object's body; empty when it has none.
inline QByteArray StreamData(const QByteArray& body) {
    qsizetype from = body.indexOf("stream");
    const qsizetype to = body.lastIndexOf("endstream");
    if (from < 0 || to < 0)
        return {};
    from += 6;
    if (body.at(from) == '\r')
        ++from;
    if (body.at(from) == '\n')
        ++from;
    QByteArray data = body.mid(from, to - from);
    if (!body.left(from).contains("/FlateDecode"))
        return data;
    // qUncompress reads a big-endian size hint before zlib's own stream.
    QByteArray sized(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(data.size() * 16 + 1024), sized.data());
    return qUncompress(sized + data);
}

// The paths one page's content paints, in the page's user space (y up).
inline std::vector<PdfPath> ReadContent(const QByteArray& content, int page, double pageWidth, double pageHeight) {
    std::vector<PdfPath> out;
    struct State {
        Matrix ctm{1, 0, 0, 1, 0, 0};
        double clipLeft = kNoClip;
    };
    std::vector<State> saved;
    State state;
    Matrix& ctm = state.ctm;
    bool clipping = false;   // W or W* seen: the path being built clips
    std::vector<double> operands;
    PdfPath path;
    bool open = false;
    auto take = [&](double x, double y) {
        const double ux = ctm[0] * x + ctm[2] * y + ctm[4];
        const double uy = pageHeight - (ctm[1] * x + ctm[3] * y + ctm[5]);
        if (!open) {
            path = PdfPath{page, false, false, false, kNoClip, ux, uy, ux, uy};
            open = true;
        }
        path.left = std::min(path.left, ux);
        path.right = std::max(path.right, ux);
        path.top = std::min(path.top, uy);
        path.bottom = std::max(path.bottom, uy);
    };
    bool inText = false;
    const QList<QByteArray> tokens = content.simplified().split(' ');
    for (const QByteArray& token : tokens) {
        if (inText) {
            inText = token != "ET";
            continue;
        }
        bool number = false;
        const double value = token.toDouble(&number);
        if (number) {
            operands.push_back(value);
            continue;
        }
        const std::vector<double> o = operands;
        operands.clear();
        auto has = [&](size_t count) { return o.size() >= count; };
        auto at = [&](size_t count, size_t i) { return o[o.size() - count + i]; };
        if (token == "BT") {
            inText = true;
        } else if (token == "q") {
            saved.push_back(state);
        } else if (token == "Q") {
            if (!saved.empty()) {
                state = saved.back();
                saved.pop_back();
            }
        } else if (token == "W" || token == "W*") {
            clipping = true;
        } else if (token == "cm" && has(6)) {
            ctm = Multiply({at(6, 0), at(6, 1), at(6, 2), at(6, 3), at(6, 4), at(6, 5)}, ctm);
        } else if ((token == "m" || token == "l") && has(2)) {
            take(at(2, 0), at(2, 1));
        } else if (token == "c" && has(6)) {
            for (size_t i = 0; i < 6; i += 2)
                take(at(6, i), at(6, i + 1));
            path.curved = true;
        } else if ((token == "v" || token == "y") && has(4)) {
            take(at(4, 0), at(4, 1));
            take(at(4, 2), at(4, 3));
            path.curved = true;
        } else if (token == "re" && has(4)) {
            take(at(4, 0), at(4, 1));
            take(at(4, 0) + at(4, 2), at(4, 1) + at(4, 3));
        } else if (token == "f" || token == "F" || token == "f*" || token == "B" || token == "B*" || token == "b" ||
                   token == "b*" || token == "S" || token == "s" || token == "n") {
            if (clipping && open)
                state.clipLeft = std::max(state.clipLeft, path.left);
            clipping = false;
            path.clipLeft = state.clipLeft;
            path.filled = token != "S" && token != "s" && token != "n";
            path.onPage = path.right >= 0 && path.left <= pageWidth && path.bottom >= 0 && path.top <= pageHeight;
            if (open)
                out.push_back(path);
            open = false;
        }
    }
    return out;
}

}  // namespace pdf_paths_detail

// Every painted path of the PDF at `path`, page by page in page order.
inline std::vector<PdfPath> ReadPdfPaths(const QString& path) {
    using namespace pdf_paths_detail;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const QString text = QString::fromLatin1(bytes);
    const QRegularExpressionMatch kids =
        QRegularExpression("/Type\\s*/Pages\\b[^>]*?/Kids\\s*\\[([^\\]]*)\\]").match(text);
    if (!kids.hasMatch())
        return {};
    std::vector<PdfPath> out;
    int page = 0;
    QRegularExpressionMatchIterator reference = QRegularExpression("(\\d+)\\s+0\\s+R").globalMatch(kids.captured(1));
    while (reference.hasNext()) {
        ++page;
        const QString pageObject = QString::fromLatin1(ObjectBody(bytes, text, reference.next().captured(1).toInt()));
        const QRegularExpressionMatch contents = QRegularExpression("/Contents\\s+(\\d+)\\s+0\\s+R").match(pageObject);
        const QRegularExpressionMatch box =
            QRegularExpression("/MediaBox\\s*\\[\\s*[-\\d.]+\\s+[-\\d.]+\\s+([-\\d.]+)\\s+([-\\d.]+)\\s*\\]").match(pageObject);
        if (!contents.hasMatch() || !box.hasMatch())
            continue;
        const QByteArray content = StreamData(ObjectBody(bytes, text, contents.captured(1).toInt()));
        for (const PdfPath& painted : ReadContent(content, page, box.captured(1).toDouble(), box.captured(2).toDouble()))
            out.push_back(painted);
    }
    return out;
}

// The filled paths that hold a curve and meet their page: a piece of a
// solid tie or slur each.
inline std::vector<PdfPath> ReadPdfFilledCurves(const QString& path) {
    std::vector<PdfPath> curves;
    for (const PdfPath& painted : ReadPdfPaths(path))
        if (painted.curved && painted.filled && painted.onPage)
            curves.push_back(painted);
    return curves;
}

}  // namespace pdf_support
