#include "graph/GraphScales.h"

#include <array>

namespace vireon {

namespace {

constexpr GraphScaleRow Lin(std::string_view name, uint8_t div, float per, float centre) {
    return {name, false, div, per, centre, 0.0F, true, 0, div, per, 0.0F};
}

constexpr GraphScaleRow Log(std::string_view name, uint8_t decades, float top, float bottom) {
    return {name, true, decades, 0.0F, 0.0F, top, true, 1, decades, 1.0F, bottom};
}

constexpr std::array kTable = {
    Lin("Auto", 10, 1.0F, 5.0F),
    GraphScaleRow{"0-0.001", false, 10, 0.0001F, 0.0005F, 0.0F, false, 0, 0, 0.0F, 0.0F},
    Lin("0-0.1", 10, 0.01F, 0.05F),
    Lin("0-1", 10, 0.1F, 0.5F),
    Lin("0-10", 10, 1.0F, 5.0F),
    Lin("0-100", 10, 10.0F, 50.0F),
    Lin("0-1000", 10, 100.0F, 500.0F),
    Lin("0-10k", 10, 1000.0F, 5000.0F),
    Lin("0-100k", 10, 10000.0F, 50000.0F),
    Lin("0-1M", 10, 100000.0F, 500000.0F),
    Lin("0-3.5", 7, 0.5F, 1.75F),
    Lin("0-35", 7, 5.0F, 17.5F),
    Lin("0-350", 7, 50.0F, 175.0F),
    Lin("0-3500", 7, 500.0F, 1750.0F),
    Lin("0-0.03", 6, 0.005F, 0.015F),
    Lin("0-0.3", 6, 0.05F, 0.15F),
    Lin("0-3", 6, 0.5F, 1.5F),
    Lin("0-30", 6, 5.0F, 15.0F),
    Lin("0-300", 6, 50.0F, 150.0F),
    Lin("0-3000", 6, 500.0F, 1500.0F),
    Lin("0-0.4", 8, 0.05F, 0.2F),
    Lin("0-4", 8, 0.5F, 2.0F),
    Lin("0-40", 8, 5.0F, 20.0F),
    Lin("0-400", 8, 50.0F, 200.0F),
    Lin("0-4k", 8, 500.0F, 2000.0F),
    Lin("0-40k", 8, 5000.0F, 20000.0F),
    Log("Log 0.01m-1000", 8, 1000.0F, 0.00001F),
    Log("Log 0.001-100", 5, 100.0F, 0.001F),
    Log("Log 0.001-1000", 6, 1000.0F, 0.001F),
    Log("Log 0.01-1000", 5, 1000.0F, 0.01F),
    Log("Log 0.01-1M", 8, 1000000.0F, 0.01F),
    Log("Log 0.1-100", 3, 100.0F, 0.1F),
    Log("Log 0.1-1000", 4, 1000.0F, 0.1F),
    Log("Log 0.1-10k", 5, 10000.0F, 0.1F),
    Log("Log 0.1-1M", 7, 1000000.0F, 0.1F),
    Log("Log 1-1000", 3, 1000.0F, 1.0F),
    Log("Log 1-10k", 4, 10000.0F, 1.0F),
    Log("Log 1-100k", 5, 100000.0F, 1.0F),
    Log("Log 1-1M", 6, 1000000.0F, 1.0F),
    Log("Log 10-10k", 3, 10000.0F, 10.0F),
    Log("Log 10-100k", 4, 100000.0F, 10.0F),
};

} // namespace

std::span<const GraphScaleRow> GraphScaleTable() {
    return kTable;
}

const GraphScaleRow* FindGraphScale(std::string_view name) {
    for (const GraphScaleRow& row : kTable) {
        if (row.name == name) {
            return &row;
        }
    }
    return nullptr;
}

} // namespace vireon
