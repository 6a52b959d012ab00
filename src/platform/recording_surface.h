#pragma once

#include "platform/surface.h"

#include <string>
#include <vector>

namespace tamo {

// A surface that keeps every drawing call, for tests of what the view would show.
class RecordingSurface final : public Surface {
public:
    enum class Kind { Clear, Mapping, Line, Arc, Point, Dot, Text };
    struct Op {
        Kind kind;
        double a = 0, b = 0, c = 0, d = 0, e = 0; // coordinates, by kind
        Colour colour;
        LineStyle style = LineStyle::Solid;
        int width = 1;
        std::string text;
    };

    void Clear() override;
    bool SetMapping(double left, double top, double width, double height) override;
    void Line(double x1, double y1, double x2, double y2, Colour colour, LineStyle style) override;
    void Arc(double cx, double cy, double radius, double start, double end, Colour colour) override;
    void Point(float x, float y) override;
    void Dot(double x, double y, Colour colour) override;
    void Text(double x, double y, const std::string& text) override;
    Colour ForeColor() const override { return fore_; }
    void SetForeColor(Colour colour) override { fore_ = colour; }
    int DrawWidth() const override { return width_; }
    void SetDrawWidth(int width) override { width_ = width; }

    [[nodiscard]] const std::vector<Op>& ops() const { return ops_; }
    [[nodiscard]] std::vector<Op> ops_of(Kind kind) const;
    void clear_ops() { ops_.clear(); }

private:
    std::vector<Op> ops_;
    Colour fore_ = kBlack;
    int width_ = 1;
};

// A surface that draws nothing: the headless machine.
class NullSurface final : public Surface {
public:
    void Clear() override {}
    bool SetMapping(double, double, double width, double height) override { return width != 0 && height != 0; }
    void Line(double, double, double, double, Colour, LineStyle) override {}
    void Arc(double, double, double, double, double, Colour) override {}
    void Point(float, float) override {}
    void Dot(double, double, Colour) override {}
    void Text(double, double, const std::string&) override {}
    Colour ForeColor() const override { return fore_; }
    void SetForeColor(Colour colour) override { fore_ = colour; }
    int DrawWidth() const override { return width_; }
    void SetDrawWidth(int width) override { width_ = width; }

private:
    Colour fore_ = kBlack;
    int width_ = 1;
};

} // namespace tamo
