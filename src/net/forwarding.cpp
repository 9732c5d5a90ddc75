#include "net/forwarding.h"

namespace korvalo::net {

bool isWindowsOwn(const Input& input)
{
    return input.kind == Input::Kind::Menu &&
           (input.item == "TEJYUN" || input.item == "AICON" || input.item == "BGM" || input.item == "SONOTA");
}

bool hostMaySend(std::string_view from, const Input& input)
{
    using Kind = Input::Kind;
    if (from != "host")
        return input.kind == Kind::Press || input.kind == Kind::Release;
    switch (input.kind) {
    case Kind::Press:
    case Kind::Release: return true;
    // Esc leaves the game; the game does nothing with the other keys.
    case Kind::Key: return input.code != 27;
    // The seatings and 最初, 戻 and 進: the commands that change the game for
    // every window. The options, the about box and 終了 stay at the host.
    case Kind::Menu: return !isWindowsOwn(input) && !input.leaves();
    case Kind::Click:
    case Kind::Close: return false;
    }
    return false;
}

}  // namespace korvalo::net
