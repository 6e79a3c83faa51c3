#include "display/core/Playback.h"

#include "common/numfmt.h"

#include <algorithm>

namespace vireon {

void Playback::MnuProbePlay() {
    // A laser unit still starting has no probe yet but needs the read timer all the same.
    if (p_.probe.LostComm() != 1 || p_.s.LaserState != kLaserOff) {
        p_.notices.Show(kProbeActive, MsgIcon::Information);
        return;
    }
    if (p_.v.Text(Ctl::CmbSampleRate).empty()) {
        p_.notices.Show(kNoSampleRate, MsgIcon::Information);
        return;
    }
    // A log started now would erase the rows being played.
    p_.v.Enabled(Act::tbRecord, false);
    p_.v.Enabled(Act::mnuProbeRecord, false);
    PlayData();
    p_.bar.ClearPeak();
}

void Playback::PlayData() {
    GraphState& g = p_.s.Graph;
    p_.graph.SamPerDiv(g.SamPerDiv);
    p_.readProbe.Enabled(false);
    RecordIndicator(p_.v, "Play");
    p_.setup.SetUpGraphScale();
    p_.graph.Graph(1);
    // The sweep position of the live graph is the playback's write position.
    g.SamPerSweep = NearInt16(p_.graph.ReTraceCnt());
    g.SweepPos = 1;
    PlayRow = 0;
    PlayPeaks = {};
    const std::string rate = p_.v.Text(Ctl::CmbSampleRate);
    p_.play.Interval(rate == "Max" ? 14.0 : 1000.0 / Val(rate));
    p_.play.Enabled(true);
}

void Playback::OnTick() {
    const int32_t r = ++PlayRow;
    const auto i = static_cast<int16_t>(std::min<int32_t>(r, clsGraph::kMaxNoSamples));
    std::array<float, 4> v{};
    for (int16_t c = 0; c < 4; ++c) {
        v[static_cast<size_t>(c)] = p_.graph.ReadData(i, static_cast<int16_t>(c + 2));
    }
    // Every row counts towards the peaks, not only those the throttled readouts show.
    for (size_t c = 0; c < 4; ++c) {
        PlayPeaks[c] = std::max(PlayPeaks[c], v[c]);
    }
    WindowState& s = p_.s;
    if (s.RefreshProbeFlag == 1) {
        const Ctl readouts[] = {Ctl::LabXYZField, Ctl::LabXField, Ctl::LabYField, Ctl::LabZField};
        const Ctl peaks[] = {Ctl::LabMaxXYZ, Ctl::LabMaxX, Ctl::LabMaxY, Ctl::LabMaxZ};
        for (size_t c = 0; c < 4; ++c) {
            p_.v.Text(readouts[c], clsProbe::AdjustStrLen(v[c]));
            p_.v.Text(peaks[c], clsProbe::AdjustStrLen(PlayPeaks[c]));
        }
        s.RefreshProbeFlag = 0;
    }
    ++s.ActualSamPerSec;
    p_.setup.PlotGraph7300format(v[1], v[2], v[3], v[0]);
    if (s.Graph.BarGraphVisible) {
        p_.setup.BarGraph7300(v[0], v[1], v[2], v[3]);
    }
    // At or past the last row: a store emptied meanwhile must not keep the timer running.
    if (r >= p_.graph.DataCnt()) {
        End();
        p_.readProbe.Enabled(true);
    }
}

void Playback::End() {
    p_.play.Enabled(false);
    RecordIndicator(p_.v, "Stop");
    p_.v.Enabled(Act::tbRecord, true);
    p_.v.Enabled(Act::mnuProbeRecord, true);
}

void Playback::Stop() {
    if (Playing()) {
        End();
    }
}

} // namespace vireon
