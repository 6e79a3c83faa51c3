// The options dialog with real widgets on the offscreen platform, over the window core on fakes:
// its lists, the default colours, Apply and Close, and what Apply does with unusable input.

#include "dialogs/frmOptions.h"
#include "display/core_rig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

namespace vireon::test {
namespace {

struct OptionsRig : CoreRig {
    OptionsRig() { core->Load(); }
    std::unique_ptr<frmOptions> Open() {
        return std::make_unique<frmOptions>(core->Option(), prompts);
    }
    template <class W> static W* Child(frmOptions& d, const char* name) {
        auto* w = qobject_cast<W*>(d.Control(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static void Click(frmOptions& d, const char* name) { Child<QPushButton>(d, name)->click(); }
    // Everything Apply may change, to compare before and after.
    std::vector<int64_t> Colours() {
        clsGraph& g = core->GRGraph();
        return {g.GetChanLineColour(2), g.GetChanLineColour(3),  g.GetChanLineColour(4),
                g.GetChanLineColour(5), g.BackGround(),          g.GridLineColor(),
                g.MinLineColor(),       S().TextColor,           S().BoxColor,
                S().FormBackColor,      S().MatchBarGraphToScatt};
    }
};

TEST(Options, ThePeriodListStartsAfterTheAveragingTime) {
    OptionsRig r;
    auto d = r.Open();
    auto* list = OptionsRig::Child<QListWidget>(*d, "ListMinAver");
    auto* period = OptionsRig::Child<QComboBox>(*d, "CmbPeriod");
    for (const auto& [choice, first, label] :
         {std::tuple{"30 Minute", "31", "30 Min."}, std::tuple{"10 Second", "11", "10 Sec."},
          std::tuple{"6 Minute", "7", "6 Min."}}) {
        QListWidgetItem* item = list->findItems(choice, Qt::MatchExactly).front();
        list->setCurrentItem(item);
        emit list->itemClicked(item);
        EXPECT_EQ(period->itemText(0), first) << choice;
        EXPECT_EQ(period->itemText(period->count() - 1), "180") << choice;
        EXPECT_EQ(OptionsRig::Child<QLabel>(*d, "Label7")->text(), label) << choice;
    }
}

TEST(Options, ApplyTakesTheBoxesAndKeepsWhatIsNotUsable) {
    OptionsRig r;
    auto d = r.Open();
    OptionsRig::Child<QComboBox>(*d, "CmbAveraging")->setCurrentText("75");
    OptionsRig::Child<QLineEdit>(*d, "TxtDisplayUpdate")->setText("20");
    OptionsRig::Child<QCheckBox>(*d, "ChkMinDivOn")->setChecked(true);
    OptionsRig::Child<QCheckBox>(*d, "ChkHorizonalLines")->setChecked(false);
    OptionsRig::Click(*d, "CmdApply");
    EXPECT_EQ(r.S().GITxtAverage, 50);
    EXPECT_EQ(r.core->KD7300cls().Averaging(), 50);
    EXPECT_EQ(d->Form().Averaging, "50");
    EXPECT_EQ(r.S().GITDisplayUpdate, 20);
    EXPECT_EQ(r.core->HRTUpDateText().Interval(), 50);
    EXPECT_EQ(r.S().DisplayHorLinesFlag, 2);
    EXPECT_EQ(r.core->GRGraph().LogScaleMinOn(), 0) << "no minor divisions without lines";
    // Not a number, zero, or a period inside the averaging window: the old value stays.
    for (const auto& [rate, averaging, period] :
         {std::tuple{"abc", "0", "3"}, std::tuple{"0", "x", "0"}}) {
        d = r.Open();
        OptionsRig::Child<QLineEdit>(*d, "TxtDisplayUpdate")->setText(rate);
        OptionsRig::Child<QComboBox>(*d, "CmbAveraging")->setCurrentText(averaging);
        OptionsRig::Child<QComboBox>(*d, "CmbPeriod")->setCurrentText(period);
        OptionsRig::Click(*d, "CmdApply");
        EXPECT_EQ(r.S().GITDisplayUpdate, 20) << rate;
        EXPECT_EQ(r.S().GITxtAverage, 50) << averaging;
        EXPECT_EQ(r.S().PeriodicInterval, 60) << period;
        EXPECT_EQ(d->Form().TextRate, "20");
        EXPECT_NE(r.view.status.find("kept"), std::string::npos) << r.view.status;
    }
}

TEST(Options, DefaultColorsTakeEffectOnApplyAndCloseChangesOnlyTheBarMatching) {
    OptionsRig r;
    r.S().MatchBarGraphToScatt = 1;
    const auto before = r.Colours();
    auto d = r.Open();
    OptionsRig::Click(*d, "cmdDefaultColors");
    EXPECT_FALSE(OptionsRig::Child<QCheckBox>(*d, "ChkMatchColorBar")->isChecked());
    OptionsRig::Click(*d, "cmdOK");
    auto after = r.Colours();
    EXPECT_EQ(after.back(), 0) << "the bar matching goes at once";
    after.back() = before.back();
    EXPECT_EQ(after, before);

    d = r.Open();
    OptionsRig::Click(*d, "cmdDefaultColors");
    OptionsRig::Click(*d, "CmdApply");
    EXPECT_EQ(r.Colours(), (std::vector<int64_t>{RGB(255, 0, 0), RGB(0, 255, 0), RGB(255, 0, 255),
                                                 RGB(255, 255, 0), RGB(0, 0, 64), RGB(79, 79, 79),
                                                 RGB(47, 47, 47), RGB(0, 255, 255), RGB(0, 0, 0),
                                                 RGB(222, 202, 174), 0}));
    // Opening and applying changes nothing.
    const auto now = r.Colours();
    d = r.Open();
    OptionsRig::Click(*d, "CmdApply");
    EXPECT_EQ(r.Colours(), now);
}

TEST(Options, EachColourButtonReachesItsTarget) {
    OptionsRig r;
    const int32_t chosen = RGB(12, 34, 56);
    const std::pair<const char*, std::function<int32_t(OptionsRig&)>> targets[] = {
        {"XAxis", [](OptionsRig& o) { return o.view.Of(Ctl::ShapeX).back; }},
        {"YAxis", [](OptionsRig& o) { return o.core->GRGraph().GetChanLineColour(4); }},
        {"ZAxis", [](OptionsRig& o) { return o.view.Of(Ctl::ShapeZ).back; }},
        {"XYZ", [](OptionsRig& o) { return o.core->GRGraph().GetChanLineColour(2); }},
        {"BackColor", [](OptionsRig& o) { return o.core->GRGraph().BackGround(); }},
        {"GridLines", [](OptionsRig& o) { return o.core->GRGraph().GridLineColor(); }},
        {"GridLinesMin", [](OptionsRig& o) { return o.core->GRGraph().MinLineColor(); }},
        {"TextColor", [](OptionsRig& o) { return o.view.Of(Ctl::LabXYZField).fore; }},
        {"BoxColor", [](OptionsRig& o) { return o.view.Of(Ctl::ShaMain).back; }},
        {"frmBackground", [](OptionsRig& o) { return o.view.background; }},
    };
    for (const auto& [button, colour] : targets) {
        r.prompts.color = chosen;
        auto d = r.Open();
        // What was typed before a colour is picked stays typed.
        OptionsRig::Child<QLineEdit>(*d, "TxtDisplayUpdate")->setText("9");
        OptionsRig::Click(*d, button);
        EXPECT_EQ(OptionsRig::Child<QLineEdit>(*d, "TxtDisplayUpdate")->text(), "9") << button;
        r.prompts.color.reset(); // the other buttons are not pressed
        OptionsRig::Click(*d, "CmdApply");
        EXPECT_EQ(colour(r), chosen) << button;
    }
    // Matched bars take the trace colours, unmatched the text colour.
    auto d = r.Open();
    OptionsRig::Child<QCheckBox>(*d, "ChkMatchColorBar")->setChecked(true);
    OptionsRig::Click(*d, "CmdApply");
    EXPECT_EQ(r.core->GRBarGraph().BarColor(1), r.core->GRGraph().GetChanLineColour(3));
}

} // namespace
} // namespace vireon::test
