#pragma once
// The survey report laid out as a PDF with QPdfWriter: A4, or Letter where the system's locale
// measures in US units, portrait, one or two pages. Text is text (it can be selected and
// searched); the time graph and the bar graph are drawn by the program's own graph engines on
// the page itself, at the writer's resolution, not copied from the screen.

#include "display/core/SurveyReport.h"

namespace vireon {

class PdfReportPrinter : public ReportPrinter {
public:
    std::optional<std::string> Print(const SurveyReport& report, std::string* error) override;

    // Device units per inch of the PDF.
    static constexpr int kResolution = 600;
};

} // namespace vireon
