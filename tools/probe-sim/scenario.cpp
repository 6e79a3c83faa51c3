#include "scenario.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace vireon::sim {

namespace {
std::vector<double> Numbers(const std::string& text) {
    std::vector<double> out;
    std::stringstream ss(text);
    std::string item;
    while (std::getline(ss, item, ',')) {
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
        out.push_back(v);
    }
    return out;
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
        const auto at = rest.find('@');
        if (at == std::string::npos) {
            throw std::invalid_argument("steps needs @SECONDS, as in steps:1,10,100@2");
        }
        const auto values = Numbers(rest.substr(0, at));
        const auto period = Numbers(rest.substr(at + 1));
        if (values.empty() || period.size() != 1 || period[0] <= 0) {
            throw std::invalid_argument("steps needs values and a positive step time");
        }
        const double s = period[0];
        return [values, s](double t) {
            const auto i = static_cast<size_t>(std::max(0.0, t) / s) % values.size();
            return std::array<double, 3>{values[i], values[i], values[i]};
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
            const double f = std::max(0.0, offset + amp * std::sin(2 * M_PI * t / period));
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

} // namespace vireon::sim
