#pragma once

#include <QFont>
#include <QRect>
#include <QWidget>

namespace tamo::ui {

// The windows are laid out in twips: 1440 to the inch, 15 to a pixel at 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;

constexpr int Px(int twips) {
    return twips / kTwipsPerPixel;
}

// A control's rectangle from its layout in twips. One that the layout makes lower than the
// toolkit's font needs is grown about its middle to min_height pixels.
inline QRect Twips(int left, int top, int width, int height, int min_height = 0) {
    int y = Px(top);
    int h = Px(height);
    if (h < min_height) {
        y -= (min_height - h + 1) / 2;
        h = min_height;
    }
    return {Px(left), y, Px(width), h};
}

// The dialogs' layouts were drawn for an 8-point font; a larger one would not fit their columns.
inline void UseLayoutFont(QWidget& window) {
    QFont small = window.font();
    small.setPointSize(8);
    window.setFont(small);
}

} // namespace tamo::ui
