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
#include "platform/ui/commands.h"
#include "platform/ui/print.h"
#include "tests/notation/support/durationgate.h"
#include "tests/notation/support/viewdriver.h"
#include "tests/notation/view/scoreprogram_support.h"

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
        driver.reset();   // off the performance before its document lets it go
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
        driver = std::make_unique<notation_test::ViewDriver>(*view);
        return Load(view, *driver, bytes) ? view : nullptr;
    }
    // Prints the view's layout straight to a PDF file in the test's folder
    // named `name`; its path.
    QString PrintToPdf(CCantrel* view, const QString& name) {
        const QString path = dir.filePath(name);
        SetProgramPrinter({path.toStdString(), std::nullopt});
        view->SendMessage(WM_COMMAND, ID_FILE_PRINT_DIRECT, 0);
        return path;
    }

    static ECConductor* Conductor(CCantrel* view) { return view->GetBaseEvent()->GetConductor(); }
    static DCctConductorMeasure* Column(CCantrel* view, int number) {
        ECMeasure* measure = Conductor(view)->GetMeasure(TRACK_CONDUCTOR, number);
        return measure ? dynamic_cast<DCctConductorMeasure*>(NotationDisplayOf(measure)) : nullptr;
    }

    QTemporaryDir dir;
    std::unique_ptr<notation_test::ViewDriver> driver;
    std::optional<notation_test::DurationGate> gate;
};

}  // namespace view_test
