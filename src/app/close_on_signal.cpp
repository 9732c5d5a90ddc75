#include "app/close_on_signal.h"

#include "app/main_window.h"
#include "process/termination.h"

namespace korvalo {

void closeOnTerminationSignal(MainWindow* window)
{
    process::onTerminationSignal(window, [window](int number) {
        window->close();
        if (!window->ended())
            process::endBySignal(number);
    });
}

}  // namespace korvalo
