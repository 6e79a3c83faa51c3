#include "dialogs/frmOptions.h"

#include "display/qt/CoreText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vireon {

namespace {

QColor ColourOf(int32_t c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

QStringList Texts(const std::vector<std::string>& items) {
    QStringList list;
    for (const std::string& s : items) {
        list << FromCore(s);
    }
    return list;
}

template <class W> W* Named(W* w, const char* name) {
    w->setObjectName(name);
    return w;
}

// The periodic-logging timeline: an averaging window at the start of each period.
class Timeline : public QWidget {
public:
    explicit Timeline(QWidget* parent) : QWidget(parent) { setMinimumSize(240, 36); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const int y = height() / 2;
        p.drawLine(4, y, width() - 4, y);
        const int period = (width() - 8) / 2;
        for (int i = 0; i < 2; ++i) {
            const int x = 4 + i * period;
            p.drawLine(x, y - 8, x, y + 8);
            p.fillRect(x, y - 4, period / 4, 8, palette().highlight());
        }
    }
};

} // namespace

frmOptions::frmOptions(Options& options, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), options_(options), prompts_(prompts), form_(options.Load()) {
    setObjectName("frmOptions");
    setWindowTitle("Options");
    auto* layout = new QVBoxLayout(this);
    tabs_ = Named(new QTabWidget(this), "SSTab1");
    layout->addWidget(tabs_);

    auto* misc = new QWidget(tabs_);
    auto* grid = new QGridLayout(misc);
    averaging_ = Named(new QComboBox(misc), "CmbAveraging");
    averaging_->setEditable(true);
    averaging_->setCompleter(nullptr); // "3" must stay 3, not complete to 30
    averaging_->setAccessibleName("Readout averaging");
    averaging_->addItems(Texts(Options::AveragingList()));
    grid->addWidget(averaging_, 0, 0);
    grid->addWidget(new QLabel("Moving Average", misc), 0, 1);
    grid->addWidget(new QLabel("(Sample based)", misc), 0, 2);
    textRate_ = Named(new QLineEdit(misc), "TxtDisplayUpdate");
    textRate_->setAccessibleName("Text update rate");
    grid->addWidget(textRate_, 1, 0);
    grid->addWidget(new QLabel("Text update rate (per second)", misc), 1, 1, 1, 2);
    horizontal_ = Named(new QCheckBox("Horizonal Graph Lines", misc), "ChkHorizonalLines");
    grid->addWidget(horizontal_, 2, 0, 1, 3);
    minorDiv_ = Named(new QCheckBox("Minor Divisions (Log Scale)", misc), "ChkMinDivOn");
    grid->addWidget(minorDiv_, 3, 0, 1, 3);
    auto* prompts_button = Named(new QPushButton("Edit Note Prompts", misc), "CmndEditPrompts");
    connect(prompts_button, &QPushButton::clicked, this, [this] { options_.EditPrompts(); });
    grid->addWidget(prompts_button, 4, 0);
    tabs_->addTab(misc, "Misc");

    auto* exposure = new QWidget(tabs_);
    auto* ex = new QGridLayout(exposure);
    minAver_ = Named(new QListWidget(exposure), "ListMinAver");
    minAver_->addItems(Texts(Options::MinAverList()));
    ex->addWidget(minAver_, 0, 0, 3, 1);
    ex->addWidget(new QLabel("Moving Average", exposure), 0, 1);
    ex->addWidget(new QLabel("(Time based) ", exposure), 1, 1);
    auto* frame = Named(new QGroupBox("Periodic Logging", exposure), "FraPeroidic");
    auto* fr = new QGridLayout(frame);
    periodic_ = Named(new QCheckBox("Enabled", frame), "ChkPeriodic");
    fr->addWidget(periodic_, 0, 0);
    period_ = Named(new QComboBox(frame), "CmbPeriod");
    period_->setEditable(true);
    period_->setCompleter(nullptr);
    period_->setAccessibleName("Period in minutes");
    fr->addWidget(period_, 1, 0);
    fr->addWidget(new QLabel("Period Minutes", frame), 1, 1);
    fr->addWidget(new Timeline(frame), 2, 0, 1, 2);
    label7_ = Named(new QLabel(frame), "Label7");
    label1_ = Named(new QLabel(frame), "Label1");
    fr->addWidget(label7_, 3, 0);
    fr->addWidget(label1_, 3, 1);
    auto* note = new QLabel("When Periodic Logging is enabled, Moving Average data will be "
                            "logged at the start of each period.",
                            frame);
    note->setWordWrap(true);
    fr->addWidget(note, 4, 0, 1, 2);
    ex->addWidget(frame, 3, 0, 1, 2);
    connect(minAver_, &QListWidget::itemClicked, this, [this] { MinAverPicked(); });
    connect(period_, &QComboBox::activated, this, [this] {
        label1_->setText(FromCore(Options::PeriodLabel(ToCore(period_->currentText()))));
    });
    tabs_->addTab(exposure, "Human Exposure");

    auto* colors = new QWidget(tabs_);
    auto* co = new QGridLayout(colors);
    auto* graphColors = Named(new QGroupBox("Graph Colors", colors), "FraColors");
    auto* gc = new QVBoxLayout(graphColors);
    ColourButton("BackColor", "BackColor", &OptionsForm::Back, graphColors);
    ColourButton("GridLines", "Grid Lines", &OptionsForm::Grid, graphColors);
    ColourButton("GridLinesMin", "Grid Lines Min", &OptionsForm::MinGrid, graphColors);
    ColourButton("XAxis", "X Axis", &OptionsForm::X, graphColors);
    ColourButton("YAxis", "Y Axis", &OptionsForm::Y, graphColors);
    ColourButton("ZAxis", "Z Axis", &OptionsForm::Z, graphColors);
    ColourButton("XYZ", "XYZ", &OptionsForm::Total, graphColors);
    for (QPushButton* b : graphColors->findChildren<QPushButton*>()) {
        gc->addWidget(b);
    }
    co->addWidget(graphColors, 0, 0, 5, 1);
    ColourButton("frmBackground", "Background", &OptionsForm::Window, colors);
    ColourButton("TextColor", "Text Color", &OptionsForm::Text, colors);
    ColourButton("BoxColor", "Box Color", &OptionsForm::Box, colors);
    int row = 0;
    for (const char* name : {"frmBackground", "TextColor", "BoxColor"}) {
        co->addWidget(Control(name), row++, 1);
    }
    matchBars_ = Named(new QCheckBox("Match Graph Colors", colors), "ChkMatchColorBar");
    co->addWidget(matchBars_, row++, 1);
    auto* defaults = Named(new QPushButton("Default Colors", colors), "cmdDefaultColors");
    connect(defaults, &QPushButton::clicked, this, [this] {
        Collect();
        options_.DefaultColors(form_);
        Show();
    });
    co->addWidget(defaults, row, 1);
    tabs_->addTab(colors, "Colors");

    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    auto* apply = Named(new QPushButton("Apply", this), "CmdApply");
    auto* close = Named(new QPushButton("Close", this), "cmdOK");
    connect(apply, &QPushButton::clicked, this, [this] {
        Collect();
        options_.Apply(form_);
        Show(); // what was kept, should the dialog stay in view
        accept();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(apply);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    Show();
}

QWidget* frmOptions::Control(const char* name) const {
    return findChild<QWidget*>(name);
}

void frmOptions::ColourButton(const char* name, const QString& caption, int32_t OptionsForm::*copy,
                              QWidget* parent) {
    auto* b = Named(new QPushButton(caption, parent), name);
    swatches_[b] = copy;
    connect(b, &QPushButton::clicked, this, [this, copy] {
        if (const auto c = prompts_.ChooseColor(form_.*copy)) {
            form_.*copy = *c;
            ShowSwatches(); // the other boxes keep what the user typed
        }
    });
}

void frmOptions::MinAverPicked() {
    if (minAver_->currentItem() == nullptr) {
        return;
    }
    const std::string choice = ToCore(minAver_->currentItem()->text());
    label7_->setText(FromCore(Options::MinAverLabel(choice)));
    period_->clear();
    period_->addItems(Texts(Options::PeriodList(choice)));
    period_->setCurrentText(FromCore(form_.Period));
}

// The copies onto the controls.
void frmOptions::Show() {
    textRate_->setText(FromCore(form_.TextRate));
    const auto items = minAver_->findItems(FromCore(form_.MinAverText), Qt::MatchExactly);
    if (!items.isEmpty()) {
        minAver_->setCurrentItem(items.front());
        MinAverPicked();
    }
    minAver_->setEnabled(form_.MinAverEnabled);
    horizontal_->setChecked(form_.HorizontalLines);
    matchBars_->setChecked(form_.MatchBars);
    minorDiv_->setChecked(form_.MinorDivisions);
    period_->setCurrentText(FromCore(form_.Period));
    label1_->setText(FromCore(Options::PeriodLabel(form_.Period)));
    periodic_->setChecked(form_.Periodic);
    averaging_->setCurrentText(FromCore(form_.Averaging));
    ShowSwatches();
}

void frmOptions::ShowSwatches() {
    for (const auto& [button, copy] : swatches_) {
        button->setIcon([c = form_.*copy] {
            QPixmap swatch(16, 16);
            swatch.fill(ColourOf(c));
            return QIcon(swatch);
        }());
    }
}

// The controls back into the copies.
void frmOptions::Collect() {
    form_.TextRate = ToCore(textRate_->text());
    form_.Averaging = ToCore(averaging_->currentText());
    if (minAver_->currentItem() != nullptr) {
        form_.MinAverText = ToCore(minAver_->currentItem()->text());
    }
    form_.Period = ToCore(period_->currentText());
    form_.Periodic = periodic_->isChecked();
    form_.HorizontalLines = horizontal_->isChecked();
    form_.MinorDivisions = minorDiv_->isChecked();
    form_.MatchBars = matchBars_->isChecked();
}

} // namespace vireon
