// Reading a printed PDF back for the print tests, through poppler's tools
// (pdfinfo, pdftohtml, pdftotext, pdftoppm) and python3-fonttools: the page
// count and size, the texts with their fonts, the words with their boxes,
// and the character the music face draws a filled notehead with.
//
// Each reader answers an empty result when its tool is missing; a test asks
// HavePdfTools first and skips without them.
#pragma once

#include "platform/gdi/symbolface.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <map>
#include <string>
#include <vector>

namespace pdf_support {

inline std::string RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return process.readAllStandardOutput().toStdString();
}

inline bool HavePdfTools() { return !QStandardPaths::findExecutable("pdftohtml").isEmpty(); }

// What pdfinfo says of a file: its page count and the first page's size in points.
struct PdfInfo {
    int pages = 0;
    double width = 0;
    double height = 0;
};
inline PdfInfo ReadPdfInfo(const QString& path) {
    const QString info = QString::fromStdString(RunTool("pdfinfo", {path}));
    PdfInfo out;
    const QRegularExpressionMatch pages = QRegularExpression("Pages:\\s+(\\d+)").match(info);
    const QRegularExpressionMatch size = QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+) pts").match(info);
    if (pages.hasMatch())
        out.pages = pages.captured(1).toInt();
    if (size.hasMatch()) {
        out.width = size.captured(1).toDouble();
        out.height = size.captured(2).toDouble();
    }
    return out;
}

// A text of pdftohtml's XML: its page, top (points from the page's top),
// font family and text. pdftohtml joins neighbouring glyphs into one text.
struct PdfText {
    int page = 0;
    int top = 0;
    std::string family;
    std::string text;
};
inline std::vector<PdfText> ReadPdfTexts(const QString& path) {
    const QString xml =
        QString::fromStdString(RunTool("pdftohtml", {"-xml", "-i", "-zoom", "1", "-stdout", path}));
    std::vector<PdfText> out;
    std::map<QString, std::string> families;
    int page = 0;
    const QRegularExpression pageTag("<page number=\"(\\d+)\"");
    const QRegularExpression fontTag("<fontspec id=\"(\\d+)\"[^>]*family=\"([^\"]*)\"");
    const QRegularExpression textTag("<text top=\"(-?\\d+)\"[^>]*font=\"(\\d+)\"[^>]*>(?:<[^>]+>)*([^<]*)");
    for (const QString& line : xml.split('\n')) {
        const QRegularExpressionMatch p = pageTag.match(line);
        if (p.hasMatch())
            page = p.captured(1).toInt();
        const QRegularExpressionMatch f = fontTag.match(line);
        if (f.hasMatch())
            families[f.captured(1)] = f.captured(2).toStdString();
        const QRegularExpressionMatch t = textTag.match(line);
        if (t.hasMatch())
            out.push_back({page, t.captured(1).toInt(), families[t.captured(2)], t.captured(3).trimmed().toStdString()});
    }
    return out;
}

// A word of pdftotext -bbox: its page and box in points from the page's
// top left corner, and its text (UTF-8; entities undone).
struct PdfWord {
    int page = 0;
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    std::string text;

    double CentreX() const { return (left + right) / 2; }
};
inline std::vector<PdfWord> ReadPdfWords(const QString& path) {
    const QString html = QString::fromStdString(RunTool("pdftotext", {"-bbox", path, "-"}));
    std::vector<PdfWord> out;
    int page = 0;
    const QRegularExpression word(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>");
    for (const QString& line : html.split('\n')) {
        if (line.contains("<page "))
            ++page;
        const QRegularExpressionMatch w = word.match(line);
        if (!w.hasMatch())
            continue;
        QString text = w.captured(5);
        text.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&apos;", "'");
        text.replace("&amp;", "&");
        out.push_back({page, w.captured(1).toDouble(), w.captured(2).toDouble(), w.captured(3).toDouble(),
                       w.captured(4).toDouble(), text.toStdString()});
    }
    return out;
}

// Page `page` of a PDF file rendered in grey at `dpi` (pdftoppm), written
// beside it; null when the tool wrote nothing.
inline QImage RenderPdfPage(const QString& path, int page, int dpi) {
    const QFileInfo file(path);
    const QString prefix = file.dir().filePath(file.completeBaseName() + QString("-%1dpi").arg(dpi));
    const QString number = QString::number(page);
    RunTool("pdftoppm", {"-r", QString::number(dpi), "-f", number, "-l", number, "-gray", path, prefix});
    // pdftoppm pads the page number to the width of the document's last.
    for (const QString& padded : {number, number.rightJustified(2, '0'), number.rightJustified(3, '0')}) {
        const QImage image(prefix + "-" + padded + ".pgm");
        if (!image.isNull())
            return image;
    }
    return {};
}

// Staff lines and barlines are drawn in the staff colour, a grey: anything
// darker than the paper counts.
inline bool Inked(const QImage& image, int x, int y) {
    constexpr int kPaper = 240;
    return x >= 0 && y >= 0 && x < image.width() && y < image.height() && qGray(image.pixel(x, y)) < kPaper;
}

// The character the music face draws a glyph with, by the glyph's name
// (as "noteheads.s2", the filled notehead): its code in the installed
// font's character map, as python3-fonttools reads it; 0 when the font or
// the tool is missing.
inline char32_t MusicGlyphCode(const char* glyph) {
    const std::string font = FindSymbolFontFile("emmentaler-20.otf");
    if (font.empty())
        return 0;
    const std::string code = RunTool("/usr/bin/python3",
                                     {"-c",
                                      "import sys\n"
                                      "from fontTools.ttLib import TTFont\n"
                                      "cmap = TTFont(sys.argv[1]).getBestCmap()\n"
                                      "print(min(c for c, g in cmap.items() if g == sys.argv[2]))\n",
                                      QString::fromStdString(font), QString(glyph)});
    return code.empty() ? 0 : static_cast<char32_t>(std::stoul(code));
}

}  // namespace pdf_support
