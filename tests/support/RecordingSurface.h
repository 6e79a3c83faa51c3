#pragma once
// A drawing surface that keeps every primitive, for tests and benchmarks of the engines.
// Text is measured with fixed metrics: CharWidth per byte and TextHeightValue per line.

#include "graph/DrawingSurface.h"

#include <string>
#include <vector>

namespace vireon {

class RecordingSurface : public DrawingSurface {
public:
    enum class Kind { Line, Box, FillBox, Point, Circle, Text, Clear };
    struct Item {
        Kind kind;
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0; // Circle: x2 is the radius
        int32_t colour = 0;
        std::string text;
    };

    double CharWidth = 100.0;
    double TextHeightValue = 195.0;
    double Width = 19200.0;
    double HeightValue = 9000.0;
    bool Persistent = false;
    std::vector<Item> Items;

    void AutoRedraw(bool on) override { Persistent = on; }
    int32_t BackColor() const override { return back_; }
    void BackColor(int32_t c) override { back_ = c; }
    int32_t ForeColor() const override { return fore_; }
    void ForeColor(int32_t c) override { fore_ = c; }
    double ScaleWidth() const override { return Width; }
    double ScaleHeight() const override { return HeightValue; }
    double TextWidth(const std::string& t) const override {
        return CharWidth * static_cast<double>(t.size());
    }
    double TextHeight(const std::string&) const override { return TextHeightValue; }
    void Print(double x, double y, const std::string& t) override {
        Items.push_back({Kind::Text, x, y, x, y, fore_, t});
    }
    void Line(double x1, double y1, double x2, double y2, int32_t c) override {
        Items.push_back({Kind::Line, x1, y1, x2, y2, c, {}});
    }
    void Box(double x1, double y1, double x2, double y2, int32_t c) override {
        Items.push_back({Kind::Box, x1, y1, x2, y2, c, {}});
    }
    void FillBox(double x1, double y1, double x2, double y2, int32_t c) override {
        Items.push_back({Kind::FillBox, x1, y1, x2, y2, c, {}});
    }
    void Point(double x, double y, int32_t c) override {
        Items.push_back({Kind::Point, x, y, x, y, c, {}});
    }
    void Circle(double x, double y, double r, int32_t c) override {
        Items.push_back({Kind::Circle, x, y, r, 0, c, {}});
    }
    void Clear() override { Items.push_back({Kind::Clear, 0, 0, Width, HeightValue, back_, {}}); }

    std::vector<Item> OfKind(Kind k) const {
        std::vector<Item> out;
        for (const Item& i : Items) {
            if (i.kind == k) {
                out.push_back(i);
            }
        }
        return out;
    }
    // Printed texts that are not empty, in order.
    std::vector<Item> Texts() const {
        std::vector<Item> out = OfKind(Kind::Text);
        std::erase_if(out, [](const Item& i) { return i.text.empty(); });
        return out;
    }

private:
    int32_t back_ = RGB(255, 255, 255);
    int32_t fore_ = 0;
};

} // namespace vireon
