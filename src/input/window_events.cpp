#include "input/window_events.h"

#include "flow/form1.h"
#include "flow/menu_commands.h"

namespace korvalo {

void FormEvents::load()
{
    form_.Form_Load();
}

void FormEvents::mouseDown(int button, int shift, double x, double y)
{
    form_.Form_MouseDown(button, shift, x, y);
}

void FormEvents::mouseUp(int button, int shift, double x, double y)
{
    form_.Form_MouseUp(button, shift, x, y);
}

void FormEvents::keyPress(int keyAscii)
{
    form_.Form_KeyPress(keyAscii);
}

void FormEvents::unload()
{
    form_.Form_Unload();
}

void FormEvents::command(const QString& item)
{
    if (const MenuHandler handler = menuHandler(item.toStdString()))
        (form_.*handler)();
}

}  // namespace korvalo
