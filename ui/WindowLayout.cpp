#include "WindowLayout.h"

namespace renamer {

namespace {

constexpr float kDesignFrameWidth = 240.0f;
constexpr float kDesignFrameHeight = 540.0f;

// Sets a width or height unless it would be negative, which the controls refuse.
void setExtent(float& extent, float value)
{
    if (value >= 0.0f)
        extent = value;
}

} // namespace

WindowLayout designLayout()
{
    WindowLayout layout;
    layout.label2 = {240, 180, 2655, 255};
    layout.label3 = {3840, 180, 2775, 255};
    layout.command1 = {7440, 240, 1455, 615};
    layout.text1 = {240, 480, 3375, 375};
    layout.text2 = {3840, 480, 3375, 375};
    layout.listView1 = {240, 1080, 8655, 5055};
    layout.command2 = {6240, 6240, 1215, 375};
    layout.command3 = {7680, 6240, 1215, 375};
    layout.label1 = {240, 6360, 5895, 255};
    return layout;
}

WindowLayout layOutForClientSize(float clientWidth, float clientHeight, WindowLayout layout)
{
    const float outerWidth = clientWidth + kDesignFrameWidth;
    const float outerHeight = clientHeight + kDesignFrameHeight;

    setExtent(layout.listView1.width, outerWidth - 720.0f);
    setExtent(layout.listView1.height, outerHeight - 2310.0f);
    setExtent(layout.idColumnWidth, 500.0f);
    setExtent(layout.pathColumnWidth, 0.0f);
    // Both name columns read the list's width as the steps above left it.
    setExtent(layout.fileNameColumnWidth, (layout.listView1.width - 1000.0f) / 2.0f);
    setExtent(layout.newNameColumnWidth, (layout.listView1.width - 1000.0f) / 2.0f);
    layout.label1.top = outerHeight - 1000.0f;
    layout.command2.top = outerHeight - 1125.0f;
    layout.command2.left = outerWidth - 3135.0f;
    layout.command3.top = outerHeight - 1125.0f;
    layout.command3.left = outerWidth - 1695.0f;
    return layout;
}

} // namespace renamer
