#include "scenario.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace vireon::sim {

namespace {

std::vector<std::string> Items(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream ss(text);
    std::string item;
    while (std::getline(ss, item, ',')) {
        out.push_back(item);
    }
    return out;
}

double Number(const std::string& item) {
    size_t used = 0;
    double v = 0;
    try {
        v = std::stod(item, &used);
    } catch (const std::exception&) {
        throw std::invalid_argument("not a number: \"" + item + "\"");
    }
    if (used != item.size() || !std::isfinite(v)) {
        throw std::invalid_argument("not a number: \"" + item + "\"");
    }
    return v;
}

std::vector<double> Numbers(const std::vector<std::string>& items) {
    std::vector<double> out;
    for (const std::string& item : items) {
        out.push_back(Number(item));
    }
    return out;
}

std::vector<double> Numbers(const std::string& text) {
    return Numbers(Items(text));
}

// "A,B,...@S": the items and the step time; `At` gives the item in force at t, cycling.
struct Steps {
    std::vector<std::string> items;
    double seconds = 1;
    size_t At(double t) const {
        return static_cast<size_t>(std::max(0.0, t) / seconds) % items.size();
    }
};

Steps SplitSteps(const std::string& text, const std::string& example) {
    const auto at = text.find('@');
    if (at == std::string::npos) {
        throw std::invalid_argument("steps need @SECONDS, as in " + example);
    }
    Steps s{Items(text.substr(0, at)), Number(text.substr(at + 1))};
    if (s.items.empty() || s.seconds <= 0) {
        throw std::invalid_argument("steps need values and a positive step time, as in " + example);
    }
    return s;
}

} // namespace

FieldScenario ParseScenario(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        throw std::invalid_argument("scenario needs a kind, as in const:5");
    }
    const std::string kind = text.substr(0, colon);
    const std::string rest = text.substr(colon + 1);
    if (kind == "const") {
        const auto v = Numbers(rest);
        if (v.size() != 1 && v.size() != 3) {
            throw std::invalid_argument("const takes one value or three");
        }
        const std::array<double, 3> f = v.size() == 1 ? std::array<double, 3>{v[0], v[0], v[0]}
                                                      : std::array<double, 3>{v[0], v[1], v[2]};
        return [f](double) { return f; };
    }
    if (kind == "steps") {
        const Steps steps = SplitSteps(rest, "steps:1,10,100@2");
        const auto values = Numbers(steps.items);
        return [values, steps](double t) {
            const double v = values[steps.At(t)];
            return std::array<double, 3>{v, v, v};
        };
    }
    if (kind == "sine") {
        const auto v = Numbers(rest);
        if (v.size() != 3 || v[2] <= 0) {
            throw std::invalid_argument("sine takes AMP,OFFSET,PERIOD with a positive period");
        }
        const double amp = v[0];
        const double offset = v[1];
        const double period = v[2];
        return [amp, offset, period](double t) {
            const double f =
                std::max(0.0, offset + amp * std::sin(2 * std::numbers::pi * t / period));
            return std::array<double, 3>{f, f, f};
        };
    }
    if (kind == "file") {
        std::ifstream in(rest);
        if (!in) {
            throw std::invalid_argument("cannot read scenario file " + rest);
        }
        std::vector<std::pair<double, std::array<double, 3>>> rows;
        std::string line;
        int lineNo = 0;
        while (std::getline(in, line)) {
            ++lineNo;
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (line.empty() || line[0] == '#') {
                continue;
            }
            std::vector<double> v;
            try {
                v = Numbers(line);
            } catch (const std::invalid_argument& e) {
                throw std::invalid_argument(rest + ":" + std::to_string(lineNo) + ": " + e.what());
            }
            if (v.size() != 4) {
                throw std::invalid_argument(rest + ":" + std::to_string(lineNo) +
                                            ": expected t,x,y,z");
            }
            rows.push_back({v[0], {v[1], v[2], v[3]}});
        }
        if (rows.empty()) {
            throw std::invalid_argument("scenario file " + rest + " has no rows");
        }
        std::sort(rows.begin(), rows.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        return [rows](double t) {
            auto it = std::upper_bound(rows.begin(), rows.end(), t,
                                       [](double x, const auto& r) { return x < r.first; });
            return it == rows.begin() ? rows.front().second : std::prev(it)->second;
        };
    }
    throw std::invalid_argument("unknown scenario kind \"" + kind + "\"");
}

BatteryScenario ParseBatterySteps(const std::string& text) {
    const Steps steps = SplitSteps(text, "100,50,5L@3");
    std::vector<BatteryState> states;
    for (std::string item : steps.items) {
        BatteryState b;
        b.low = !item.empty() && (item.back() == 'L' || item.back() == 'l');
        if (b.low) {
            item.pop_back();
        }
        const double percent = Number(item);
        if (percent < 0 || percent > 100 || percent != std::floor(percent)) {
            throw std::invalid_argument("a battery step is a whole percent from 0 to 100, not \"" +
                                        item + "\"");
        }
        b.percent = static_cast<int>(percent);
        states.push_back(b);
    }
    return [states, steps](double t) { return states[steps.At(t)]; };
}

} // namespace vireon::sim
