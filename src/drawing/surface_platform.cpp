#include "drawing/surface_platform.h"

#include <thread>

namespace korvalo {

SurfacePlatform::SurfacePlatform(QtSurface& surface) : surface_(surface) {}

void SurfacePlatform::copyPicture(Picture picture, int element, double x, double y)
{
    surface_.copyPicture(picture, element, x, y);
    drawn();
}

void SurfacePlatform::fillRect(double x, double y, double w, double h, int rgb)
{
    surface_.fillRect(x, y, w, h, rgb);
    drawn();
}

void SurfacePlatform::printText(double x, double y, const std::string& text, int points, int rgb)
{
    surface_.printText(x, y, text, points, rgb);
    drawn();
}

void SurfacePlatform::refresh()
{
    if (onRefresh)
        onRefresh();
}

void SurfacePlatform::moveIcon(IconPicture icon, int element, int left, int top)
{
    surface_.moveIcon(icon, element, left, top);
    drawn();
}

void SurfacePlatform::setIconVisible(IconPicture icon, int element, bool visible)
{
    surface_.setIconVisible(icon, element, visible);
    drawn();
}

bool SurfacePlatform::isChecked(CheckItem item) const
{
    return checks_[static_cast<size_t>(item)];
}

void SurfacePlatform::setChecked(CheckItem item, bool checked)
{
    checks_[static_cast<size_t>(item)] = checked;
}

Answer SurfacePlatform::messageBox(const std::string&, const std::string&, Buttons buttons, BoxIcon)
{
    return buttons == Buttons::YesNo ? Answer::Yes : Answer::OK;
}

double SurfacePlatform::clock()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void SurfacePlatform::wait(double seconds)
{
    if (seconds > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void SurfacePlatform::placeWindow(int, int, int, int) {}

void SurfacePlatform::setBackColour(int rgb)
{
    surface_.setBackColour(rgb);
    drawn();
}

}  // namespace korvalo
