#pragma once

namespace renamer {

// Lengths on the window are twips: 1440 to the inch, 15 to a logical pixel.
inline constexpr float kTwipsPerPixel = 15.0f;

struct TwipRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;

    bool operator==(const TwipRect&) const = default;
};

// Where every control of the main window stands, and the widths of the
// list's columns, in twips.
struct WindowLayout {
    TwipRect label2;
    TwipRect label3;
    TwipRect command1;
    TwipRect text1;
    TwipRect text2;
    TwipRect listView1;
    TwipRect command2;
    TwipRect command3;
    TwipRect label1;
    float idColumnWidth = 0;
    float pathColumnWidth = 0;
    float fileNameColumnWidth = 0;
    float newNameColumnWidth = 0;

    bool operator==(const WindowLayout&) const = default;
};

// The client area the window is designed for: 9135 by 6825 twips.
inline constexpr float kDesignClientWidth = 9135.0f;
inline constexpr float kDesignClientHeight = 6825.0f;

// The places of the window's design; the column widths are not set yet.
WindowLayout designLayout();

// Lays the window out for a client area of the given size, starting from the
// current places: the list takes the room the fixed controls leave, its two
// name columns share its width, the status line and the lower buttons follow
// the bottom and right edges, and the "Path" column is hidden. A step that
// would give a negative width or height is skipped and the others still run.
// The sizes are measured as the outer window of the design, whose frame adds
// 240 by 540 twips to the client area, whatever frame the window really has.
WindowLayout layOutForClientSize(float clientWidth, float clientHeight, WindowLayout current);

} // namespace renamer
