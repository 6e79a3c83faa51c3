#pragma once
// The drawing surface the graph engines paint on. Coordinates and lengths are in twips
// (1/1440 inch); colours are 24-bit integers with red in the low byte (0x00BBGGRR).
// The program uses QtSurface (graph/qt); tests use RecordingSurface.

#include <cstdint>
#include <string>

namespace vireon {

// Builds a colour from its components, red in the low byte.
constexpr int32_t RGB(int r, int g, int b) {
    return static_cast<int32_t>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    // Persistent image: what is drawn survives covering and uncovering of the window.
    virtual void AutoRedraw(bool on) = 0;

    virtual int32_t BackColor() const = 0;
    virtual void BackColor(int32_t colour) = 0;
    virtual int32_t ForeColor() const = 0;
    virtual void ForeColor(int32_t colour) = 0;

    // Size of the drawable area.
    virtual double ScaleWidth() const = 0;
    virtual double ScaleHeight() const = 0;

    // Measured extent of a text (Windows-1252 bytes) in the surface's font.
    virtual double TextWidth(const std::string& text) const = 0;
    virtual double TextHeight(const std::string& text) const = 0;

    // Prints text in the foreground colour with its top-left corner at (x, y).
    virtual void Print(double x, double y, const std::string& text) = 0;

    virtual void Line(double x1, double y1, double x2, double y2, int32_t colour) = 0;
    // Outline of the rectangle with corners (x1, y1) and (x2, y2).
    virtual void Box(double x1, double y1, double x2, double y2, int32_t colour) = 0;
    // Filled rectangle; the corners may come in any order.
    virtual void FillBox(double x1, double y1, double x2, double y2, int32_t colour) = 0;
    virtual void Point(double x, double y, int32_t colour) = 0;
    virtual void Circle(double x, double y, double radius, int32_t colour) = 0;

    // Fills the whole surface with the background colour.
    virtual void Clear() = 0;
};

} // namespace vireon
