#include "display/qt/PdfReport.h"

#include "common/version.h"
#include "display/qt/CoreText.h"
#include "graph/ClsBarGraph.h"
#include "graph/GraphScales.h"
#include "graph/GraphSetup.h"
#include "graph/clsGraph.h"
#include "graph/qt/PainterSurface.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <array>

namespace vireon {

namespace {

// Paper is white: the traces get darker colours than on the screen's dark graph.
constexpr int32_t kTraceColours[] = {RGB(200, 0, 0), RGB(0, 140, 0), RGB(170, 0, 170),
                                     RGB(200, 120, 0)};
constexpr int32_t kWhite = RGB(255, 255, 255);
constexpr int32_t kBlack = RGB(0, 0, 0);
constexpr int32_t kGrid = RGB(190, 190, 190);
constexpr int32_t kAlarm = RGB(230, 0, 0);

QColor Colour(int32_t c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

QFont Font(double points, bool bold = false) {
    QFont f("DejaVu Sans");
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    // Any letter spacing turns ligatures off, so that text copied from the page reads "fi",
    // not the one ligature character.
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.0 / 64); // the least it keeps
    return f;
}

// Lays text, tables and graphs down the pages, a new page when the next piece does not fit.
class Pages {
public:
    Pages(QPdfWriter& writer, QPainter& painter)
        : w_(writer), p_(painter), width_(writer.width()), height_(writer.height()) {}

    double Mm(double mm) const { return mm * PdfReportPrinter::kResolution / 25.4; }
    double Width() const { return width_; }
    double Y() const { return y_; }
    void Down(double by) { y_ += by; }
    bool Fits(double bottom) const { return bottom <= height_; }
    void NewPage() {
        w_.newPage();
        y_ = 0;
    }
    // Makes room for a piece of this height: a new page when it does not fit below.
    void Room(double h) {
        if (y_ > 0 && !Fits(y_ + h)) {
            NewPage();
        }
    }
    double TextHeight(const QString& text, const QFont& f, double width) const {
        return QFontMetricsF(f, &w_)
            .boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text)
            .height();
    }
    double Text(const QString& text, const QFont& f, const QRectF& r,
                int flags = Qt::AlignLeft | Qt::AlignTop) {
        p_.setFont(f);
        p_.setPen(Qt::black);
        QRectF used;
        p_.drawText(r, flags | Qt::TextWordWrap, text, &used);
        return used.height();
    }
    QPainter& Painter() { return p_; }

private:
    QPdfWriter& w_;
    QPainter& p_;
    double width_;
    double height_;
    double y_ = 0;
};

const QFont kBody = Font(8.5);
const QFont kLabel = Font(8.5, true);
const QFont kSection = Font(11, true);

// A section of label and value lines in a column of the given width: its height, and when
// drawn is true it is drawn at (x, y).
double FieldSection(Pages& pages, const ReportSection& s, double x, double y, double width,
                    bool drawn) {
    const double labelWidth = std::min(pages.Mm(36), width * 0.4);
    double h = 0;
    if (!s.Title.empty()) {
        const double t = pages.TextHeight(FromCore(s.Title), kSection, width);
        if (drawn) {
            pages.Text(FromCore(s.Title), kSection, QRectF(x, y, width, t));
            pages.Painter().setPen(QPen(Qt::gray, 2));
            pages.Painter().drawLine(QPointF(x, y + t + pages.Mm(0.5)),
                                     QPointF(x + width, y + t + pages.Mm(0.5)));
        }
        h += t + pages.Mm(1.5);
    }
    for (const ReportField& f : s.Fields) {
        const QString label = FromCore(f.Label);
        const QString value = FromCore(f.Value);
        const double valueX = label.isEmpty() ? 0 : labelWidth;
        const double line = std::max(pages.TextHeight(label, kLabel, labelWidth - pages.Mm(2)),
                                     pages.TextHeight(value, kBody, width - valueX));
        if (drawn) {
            pages.Text(label, kLabel, QRectF(x, y + h, labelWidth - pages.Mm(2), line));
            pages.Text(value, kBody, QRectF(x + valueX, y + h, width - valueX, line));
        }
        h += line + pages.Mm(0.6);
    }
    return h + pages.Mm(3);
}

// A section's title across the page, with its rule.
void Title(Pages& pages, const std::string& title) {
    const double h =
        FieldSection(pages, ReportSection{title, {}, {}}, 0, pages.Y(), pages.Width(), true);
    pages.Down(h - pages.Mm(3)); // a title has no space below as a section has
}

void TableSection(Pages& pages, const ReportSection& s) {
    const double first = pages.Mm(34);
    const double rest = (pages.Width() - first) / std::max<size_t>(1, s.Table.front().size() - 1);
    const double row = QFontMetricsF(kBody, pages.Painter().device()).height() * 1.35;
    const double title = pages.TextHeight(FromCore(s.Title), kSection, pages.Width());
    pages.Room(title + pages.Mm(1.5) + row * static_cast<double>(s.Table.size()) + pages.Mm(3));
    Title(pages, s.Title);
    for (size_t r = 0; r < s.Table.size(); ++r) {
        double x = 0;
        for (size_t c = 0; c < s.Table[r].size(); ++c) {
            const double w = c == 0 ? first : rest;
            const QFont& f = r == 0 || c == 0 ? kLabel : kBody;
            const QString text =
                QFontMetricsF(f, pages.Painter().device())
                    .elidedText(FromCore(s.Table[r][c]), Qt::ElideRight, w - pages.Mm(3));
            const int align = c == 0
                                  ? Qt::AlignLeft
                                  : (c + 1 < s.Table[r].size() ? Qt::AlignRight : Qt::AlignHCenter);
            pages.Text(text, f, QRectF(x, pages.Y(), w - pages.Mm(3), row),
                       align | Qt::AlignVCenter);
            x += w;
        }
        pages.Down(row);
        if (r == 0) {
            pages.Painter().setPen(QPen(Qt::lightGray, 2));
            pages.Painter().drawLine(QPointF(0, pages.Y()), QPointF(pages.Width(), pages.Y()));
        }
    }
    pages.Down(pages.Mm(3));
}

// Field sections flow into two columns, each into the shorter one; the heading and tables take
// the whole width.
void Sections(Pages& pages, const SurveyReport& r) {
    const double gap = pages.Mm(8);
    const double column = (pages.Width() - gap) / 2;
    double left = pages.Y();
    double right = pages.Y();
    const auto flush = [&] {
        pages.Down(std::max(left, right) - pages.Y());
        left = right = pages.Y();
    };
    for (const ReportSection& s : r.Sections) {
        if (!s.Table.empty()) {
            flush();
            TableSection(pages, s);
        } else if (s.Title.empty()) {
            flush();
            const double h = FieldSection(pages, s, 0, pages.Y(), pages.Width(), false);
            pages.Room(h);
            FieldSection(pages, s, 0, pages.Y(), pages.Width(), true);
            pages.Down(h);
        } else {
            const double h = FieldSection(pages, s, 0, 0, column, false);
            if (!pages.Fits(std::min(left, right) + h)) {
                pages.NewPage();
                left = right = pages.Y();
            }
            const bool toLeft = left <= right;
            double& y = toLeft ? left : right;
            FieldSection(pages, s, toLeft ? 0 : column + gap, y, column, true);
            y += h;
            continue;
        }
        left = right = pages.Y();
    }
    flush();
}

void Legend(Pages& pages, const ReportGraphs& g, double y) {
    QPainter& p = pages.Painter();
    double x = 0;
    for (size_t t = 0; t < g.TraceNames.size() && t < std::size(kTraceColours); ++t) {
        p.setPen(QPen(Colour(kTraceColours[t]), pages.Mm(0.6)));
        p.drawLine(QPointF(x, y + pages.Mm(2)), QPointF(x + pages.Mm(6), y + pages.Mm(2)));
        const QString name = FromCore(g.TraceNames[t]);
        pages.Text(name, kBody, QRectF(x + pages.Mm(8), y, pages.Mm(40), pages.Mm(4)));
        x += pages.Mm(10) + QFontMetricsF(kBody, p.device()).horizontalAdvance(name) + pages.Mm(4);
    }
    if (g.AlarmLevel) {
        p.setPen(QPen(Colour(kAlarm), pages.Mm(0.4), Qt::DashLine));
        p.drawLine(QPointF(x, y + pages.Mm(2)), QPointF(x + pages.Mm(6), y + pages.Mm(2)));
        pages.Text("Alarm level", kBody, QRectF(x + pages.Mm(8), y, pages.Mm(40), pages.Mm(4)));
    }
}

void TimeGraph(Pages& pages, const ReportGraphs& g, const QRectF& area, double lineWidth) {
    PainterSurface surface(pages.Painter(), area, PdfReportPrinter::kResolution, Font(7),
                           lineWidth);
    surface.BackColor(kWhite);
    surface.ForeColor(kBlack);
    clsGraph graph;
    graph.OutputObj(&surface);
    SetUpTimeGraph(graph, surface.ScaleWidth(), surface.ScaleHeight(), g.HorizontalLines, 100);
    graph.BackGround(kWhite);
    graph.GridLineColor(kGrid);
    graph.SetMark1(0); // the alarm level is drawn across the plot below
    if (const GraphScaleRow* row = FindGraphScale(g.Scale)) {
        ApplyGraphScale(graph, *row);
    }
    graph.VerUnitsDesc(g.Units);
    const auto traces = static_cast<int16_t>(g.TraceNames.size());
    for (int16_t t = 2; t <= 5; ++t) {
        if (t - 2 < traces) {
            graph.SetChanLineColour(t, kTraceColours[t - 2]);
        } else {
            graph.TraceClear(t, 1);
        }
    }
    for (size_t i = 0; i < g.Rows.size() && i < static_cast<size_t>(clsGraph::kMaxNoSamples); ++i) {
        const auto index = static_cast<int16_t>(i + 1);
        for (int16_t t = 1; t <= traces + 1; ++t) {
            graph.WriteData(index, t, g.Rows[i][static_cast<size_t>(t - 1)]);
        }
    }
    graph.ZoomOff(1); // every stored sample
    graph.Graph(0);
    graph.DrawLines();
    if (g.AlarmLevel) {
        const double y = graph.YOfValue(*g.AlarmLevel);
        QPainter& p = pages.Painter();
        p.setPen(QPen(Colour(kAlarm), pages.Mm(0.4), Qt::DashLine));
        p.drawLine(surface.ToDevice(graph.PlotLeft(), y), surface.ToDevice(graph.PlotRight(), y));
    }
}

void BarGraph(Pages& pages, const ReportGraphs& g, const GraphScaleRow& row, const QRectF& area,
              double lineWidth) {
    const double labels = pages.Mm(16);
    std::array<double, 4> middles{};
    {
        PainterSurface surface(pages.Painter(), area.adjusted(labels, 0, 0, 0),
                               PdfReportPrinter::kResolution, Font(7), lineWidth);
        surface.BackColor(kWhite);
        surface.ForeColor(kBlack);
        ClsBarGraph bar;
        bar.OutputObj(&surface);
        bar.BarXYZColor(kTraceColours[0]);
        bar.BarXColor(kTraceColours[1]);
        bar.BarYColor(kTraceColours[2]);
        bar.BarZColor(kTraceColours[3]);
        ApplyBarScale(bar, row);
        // Up to the peak, then back to the mean: the colour shows the mean, the grey the rest
        // of the way to the peak.
        using Draw = void (ClsBarGraph::*)(float);
        constexpr Draw kDraw[] = {&ClsBarGraph::DrawBarXYZ, &ClsBarGraph::DrawBarX,
                                  &ClsBarGraph::DrawBarY, &ClsBarGraph::DrawBarZ};
        constexpr double kMiddles[] = {500, 725, 900, 1075}; // of the bars' rows, in twips
        for (size_t b = 0; b < static_cast<size_t>(g.BarCount) && b < 4; ++b) {
            (bar.*kDraw[b])(g.Peaks[b]);
            (bar.*kDraw[b])(g.Means[b]);
            middles[b] = surface.ToDevice(0, kMiddles[b]).y();
        }
    }
    constexpr const char* kNames[] = {"Total", "X", "Y", "Z"};
    for (size_t b = 0; b < static_cast<size_t>(g.BarCount) && b < 4; ++b) {
        pages.Text(kNames[b], kLabel,
                   QRectF(area.left(), middles[b] - pages.Mm(2), labels, pages.Mm(4)),
                   Qt::AlignLeft | Qt::AlignVCenter);
    }
}

void Graphs(Pages& pages, const SurveyReport& r) {
    const ReportGraphs& g = r.Graphs;
    const double timeHeight = pages.Mm(72);
    const double barHeight = 1500.0 * PdfReportPrinter::kResolution / 1440.0;
    const double line = pages.Mm(4.5);
    QString scale = "Scale " + FromCore(g.Scale);
    if (!g.ScaleNote.empty()) {
        scale += " (" + FromCore(g.ScaleNote) + ")";
    }
    const QString caption = FromCore(r.GraphTitle) + ". " + scale + ".";
    const double captionHeight = pages.TextHeight(caption, kBody, pages.Width());
    pages.Room(pages.Mm(8) + captionHeight + timeHeight + line + barHeight + 2 * line);
    Title(pages, "Time graph");
    pages.Down(pages.Text(caption, kBody, QRectF(0, pages.Y(), pages.Width(), captionHeight)) +
               pages.Mm(1));
    const double lineWidth = pages.Mm(0.12);
    TimeGraph(pages, g, QRectF(0, pages.Y(), pages.Width(), timeHeight), lineWidth);
    pages.Down(timeHeight);
    Legend(pages, g, pages.Y());
    pages.Down(line + pages.Mm(3));
    Title(pages, "Peaks");
    const GraphScaleRow* row = FindGraphScale(g.Scale);
    if (row == nullptr || !row->hasBar) {
        pages.Text("The scale " + FromCore(g.Scale) + " has no bar graph.", kBody,
                   QRectF(0, pages.Y(), pages.Width(), line));
        return;
    }
    BarGraph(pages, g, *row, QRectF(0, pages.Y(), pages.Width(), barHeight), lineWidth);
    pages.Down(barHeight);
    pages.Text("Each bar in colour up to the mean, in grey on to the highest reading.", kBody,
               QRectF(0, pages.Y(), pages.Width(), line));
}

} // namespace

std::optional<std::string> PdfReportPrinter::Print(const SurveyReport& report, std::string* error) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kResolution);
        writer.setCreator(QString::fromStdString("Vireon II " + VersionText()));
        writer.setTitle(FromCore(report.Title));
        const bool us = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
        writer.setPageLayout(QPageLayout(QPageSize(us ? QPageSize::Letter : QPageSize::A4),
                                         QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                         QPageLayout::Millimeter));
        QPainter painter;
        if (!painter.begin(&writer)) {
            if (error != nullptr) {
                *error = "the PDF writer could not start";
            }
            return std::nullopt;
        }
        Pages pages(writer, painter);
        pages.Down(pages.Text(FromCore(report.Title), Font(16, true),
                              QRectF(0, 0, pages.Width(), pages.Mm(10))) +
                   pages.Mm(2));
        Sections(pages, report);
        Graphs(pages, report);
        painter.end();
    }
    const QByteArray bytes = buffer.data();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

} // namespace vireon
