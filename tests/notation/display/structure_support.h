// What the barline and meter tests share: where ink lies inside a band of
// rows, a display class registered for an event type for a test's
// lifetime, an object's archive bytes, and a page of a PDF file to draw on.
#pragma once

#include "model/appstates.h"
#include "model/plugin.h"
#include "notation/display/base.h"
#include "platform/core/archive.h"
#include "platform/gdi/printdc.h"
#include "platform/ui/syscolor.h"
#include "tests/notation/display/display_support.h"
#include "tests/platform/file_support.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// The box of the ink (non-white pixels) in rows [top, bottom) and columns
// [left, right) of an image; empty (left > right) when there is none.
struct InkBox {
    int left = 1 << 30;
    int right = -1;
    int top = 1 << 30;
    int bottom = -1;
    bool Empty() const { return right < left; }
    int CenterX2() const { return left + right; }   // twice the centre, whole
};

inline InkBox FindInk(const QImage& image, int top, int bottom, int left = 0, int right = -1) {
    if (right < 0)
        right = image.width();
    InkBox box;
    for (int y = std::max(top, 0); y < std::min(bottom, image.height()); ++y)
        for (int x = std::max(left, 0); x < std::min(right, image.width()); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

// Registers `dataClass` for notation view data of `type`, putting back what
// was registered before when it ends.
class ScopedDisplayClass {
public:
    ScopedDisplayClass(int type, const CRuntimeClass* dataClass)
        : m_cell(CPluginData::GetDataClass(DK_NOTATION, type)), m_previous(m_cell) {
        m_cell = dataClass;
    }
    ~ScopedDisplayClass() { m_cell = m_previous; }
    ScopedDisplayClass(const ScopedDisplayClass&) = delete;
    ScopedDisplayClass& operator=(const ScopedDisplayClass&) = delete;

private:
    const CRuntimeClass*& m_cell;
    const CRuntimeClass* m_previous;
};

// What `object` stores, and `object` read back from bytes.
inline std::vector<uint8_t> StoredBytes(CObject* object) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    object->Serialize(ar);
    ar.Close();
    return file.Detach();
}

inline void LoadBytes(CObject* object, const std::vector<uint8_t>& bytes) {
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    object->Serialize(ar);
    ar.Close();
}

// A PDF file's first page, open while the object lives (a printing DC).
struct PdfPage {
    file_test::TempFolder folder;
    CPrintDC dc;
    explicit PdfPage(const std::string& name) {
        EXPECT_NE(dc.CreatePrinterDC(folder.File(name + ".pdf"), QPageSize(QPageSize::A4)), 0);
        EXPECT_GT(dc.StartDoc(name), 0);
        EXPECT_GT(dc.StartPage(), 0);
    }
    ~PdfPage() {
        dc.EndPage();
        dc.EndDoc();
    }
};

// The colours of an element: `plain` on screen, the selection colour when
// selected, grey text when ghosted as well, `onPaper` on a PDF page whatever
// its state. Leaves the element selected and ghosted.
inline void ExpectScreenAndPaperColours(DCctBase& element, COLORREF plain, COLORREF onPaper) {
    DisplayCanvas screen(8, 8, 0, 0);
    EXPECT_EQ(element.GetColor(&screen.dc), plain);
    element.SetSelected(1);
    EXPECT_EQ(element.GetColor(&screen.dc), SCSelection::s_color);
    element.SetGhosted(1);
    EXPECT_EQ(element.GetColor(&screen.dc), GetSysColor(COLOR_GRAYTEXT));
    PdfPage pdf("colours");
    EXPECT_EQ(element.GetColor(&pdf.dc), onPaper);
}
