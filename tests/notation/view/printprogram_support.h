// The program around a score window for the printing tests: a score
// program (scoreprogram_support.h) whose layout and stored paper are Letter,
// the view's duration gate installed (notes played 66 % long read back as
// their values), a folder of the test's own for PDF files, and printing a
// view straight to a PDF file.
//
//     class MyPrintTest : public view_test::PrintProgram {
//     protected:
//         MyPrintTest() : PrintProgram(IDR_MY_MAIN, IDR_MY_DOC) {}
//     };
//
// UI thread (the test's).
#pragma once

#include "model/conductor.h"
#include "model/measure.h"
#include "model/performance.h"
#include "model/preferences.h"
#include "notation/display/base.h"
#include "notation/display/conductormeasure.h"
#include "notation/layout/pagelayout.h"
#include "notation/view/cantrel.h"
#include "platform/core/profile.h"
#include "platform/gdi/dc.h"
#include "platform/ui/commands.h"
#include "platform/ui/print.h"
#include "tests/notation/support/durationgate.h"
#include "tests/notation/support/viewdriver.h"
#include "tests/notation/view/scoreprogram_support.h"

#include <QFileInfo>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <vector>

namespace view_test {

// Letter paper, as the layout's paper in twips.
inline constexpr int kLetterWidth = 12240;
inline constexpr int kLetterHeight = -15840;
inline constexpr int kTwipsPerPoint = 20;

// Paints the view as a paint message does and answers its off-screen
// picture (pixels of the view area).
inline QImage PaintView(CCantrel* view) {
    view->SetNeedsDraw(TRUE);
    view->Invalidate(FALSE);
    view->UpdateWindow();
    CBitmap* bitmap = view->GetOffscreenBitmap();
    if (!bitmap)
        return {};
    CClientDC screen(view);
    CDC memory;
    memory.CreateCompatibleDC(&screen);
    CBitmap* previous = memory.SelectObject(bitmap);
    const QImage image = memory.GetImage() ? memory.GetImage()->copy() : QImage();
    memory.SelectObject(previous);
    return image;
}

// View twips to a pixel of the view area.
inline CPoint ViewToPixel(CCantrel* view, CPoint at) {
    CClientDC dc(view);
    view->OnPrepareDC(&dc);
    at.x -= view->GetScrollPosition().x;
    at.y -= view->GetScrollPosition().y;
    dc.LPtoDP(&at);
    return CPoint(at.x - view->GetViewArea().left, at.y - view->GetViewArea().top);
}

// Prints the view's layout straight to a PDF file at `path`, as Print
// Direct does with a PDF file as the program's printer (which it stays).
inline void PrintViewToPdf(CCantrel* view, const QString& path) {
    SetProgramPrinter({path.toStdString(), std::nullopt});
    view->SendMessage(WM_COMMAND, ID_FILE_PRINT_DIRECT, 0);
}

class PrintProgram : public ScoreProgram {
protected:
    PrintProgram(UINT mainMenu, UINT documentMenu) : ScoreProgram(mainMenu, documentMenu) {}

    void SetUp() override {
        SaveIntPreference("Views\\Music Score", "PageWidth", kLetterWidth);
        SaveIntPreference("Views\\Music Score", "PageHeight", kLetterHeight);
        MCPageLayout::GetPageLayout().SetPageSize(kLetterWidth, kLetterHeight);
        ScoreProgram::SetUp();
        // Notes played 66 % long read back as quarters.
        gate.emplace(CCantrel::kDefaultDurationGate);
    }
    void TearDown() override {
        SetProgramPrinter({});
        drivers.clear();   // off the performances before their documents let them go
        ScoreProgram::TearDown();
        gate.reset();
        MCPageLayout::GetPageLayout().SetPageSize(kLetterWidth, kLetterHeight);
        // Later tests in this process lay out on the paper they find stored.
        CProfile profile = CProfile::Application();
        profile.DeleteKey("Views\\Music Score", "PageWidth");
        profile.DeleteKey("Views\\Music Score", "PageHeight");
    }

    // A new document shown in its score window with the file read into it,
    // notated and laid out; null when the file is not read or laid out.
    CCantrel* OpenFile(const std::vector<uint8_t>& bytes) {
        CCantrel* view = OpenScore();
        if (!view)
            return nullptr;
        drivers.push_back(std::make_unique<notation_test::ViewDriver>(*view));
        return Load(view, *drivers.back(), bytes) ? view : nullptr;
    }
    // Prints the view's layout straight to a PDF file named `name` in the
    // test's folder (or at `name` when it is a whole path); its path.
    QString PrintToPdf(CCantrel* view, const QString& name) {
        const QString path = QFileInfo(name).isAbsolute() ? name : dir.filePath(name);
        PrintViewToPdf(view, path);
        return path;
    }

    // The pages the view's own layout made.
    static int PageCount(CCantrel* view) { return view->GetPagenate().GetPages().GetPageCount(); }
    static ECConductor* Conductor(CCantrel* view) { return view->GetBaseEvent()->GetConductor(); }
    static DCctConductorMeasure* Column(CCantrel* view, int number) {
        ECMeasure* measure = Conductor(view)->GetMeasure(TRACK_CONDUCTOR, number);
        return measure ? dynamic_cast<DCctConductorMeasure*>(NotationDisplayOf(measure)) : nullptr;
    }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<notation_test::ViewDriver>> drivers;   // one a window opened
    std::optional<notation_test::DurationGate> gate;
};

}  // namespace view_test
