#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace tamo {

struct Colour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Colour&) const = default;
};

inline constexpr Colour kBlack{0, 0, 0};
inline constexpr Colour kGreen{0, 255, 0};
inline constexpr Colour kLightGrey{192, 192, 192};
inline constexpr Colour kLightRed{255, 0, 0}; // colour 12 of the 16-colour palette
inline constexpr Colour kCut{0, 102, 204};    // the part of the toolpath the machine has cut

enum class LineStyle { Solid, Dash };

// Where lines and arcs go: the surface itself, or one part of a long drawing (see DrawMany).
class StrokeSink {
public:
    virtual ~StrokeSink() = default;
    virtual void Line(double x1, double y1, double x2, double y2, Colour colour, LineStyle style) = 0;
    // Counter-clockwise from start to end, angles in radians, 0 along +X; equal angles: the whole circle.
    virtual void Arc(double cx, double cy, double radius, double start, double end, Colour colour) = 0;
};

// The toolpath view's drawing surface, in program units with Y growing upwards once a mapping is
// set. Lines, arcs and points use the current pen width.
class Surface : public StrokeSink {
public:
    virtual void Clear() = 0;
    // Maps the window to the world square whose top left corner is (left, top), Y growing upwards:
    // width and height are positive, the surface flips Y itself. Refused (false, mapping unchanged)
    // when the rectangle is empty.
    [[nodiscard]] virtual bool SetMapping(double left, double top, double width, double height) = 0;
    void Line(double x1, double y1, double x2, double y2, Colour colour, LineStyle style) override = 0;
    void Arc(double cx, double cy, double radius, double start, double end, Colour colour) override = 0;
    // A long drawing of `count` items, each drawn by `draw` with its lines and arcs: the picture of
    // draw(0, count, *this). A surface may hand parts [first, end) of it to other threads, each
    // with a sink of its own, and put the parts' strokes together in order; `draw` must then be
    // safe to call on several threads at once.
    using DrawPart = std::function<void(std::size_t first, std::size_t end, StrokeSink& into)>;
    virtual void DrawMany(std::size_t count, const DrawPart& draw) { draw(0, count, *this); }
    // One dot in the foreground colour: the live trace. Must stay cheap: it runs inside a tick.
    virtual void Point(float x, float y) = 0;
    // One dot in the given colour: the step controls' markers.
    virtual void Dot(double x, double y, Colour colour) = 0;
    // Text with its top left corner at (x, y), in the foreground colour.
    virtual void Text(double x, double y, const std::string& text) = 0;
    [[nodiscard]] virtual Colour ForeColor() const = 0;
    virtual void SetForeColor(Colour colour) = 0;
    [[nodiscard]] virtual int DrawWidth() const = 0;
    virtual void SetDrawWidth(int width) = 0;
};

} // namespace tamo
