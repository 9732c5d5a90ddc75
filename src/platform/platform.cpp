#include "platform/platform.h"

namespace korvalo {

const char* pictureName(Picture p)
{
    switch (p) {
    case Picture::MASU: return "MASU";
    case Picture::KURO: return "KURO";
    case Picture::AO: return "AO";
    case Picture::SIRO: return "SIRO";
    case Picture::AKA: return "AKA";
    case Picture::KOMA_SIDOU: return "KOMA_SIDOU";
    case Picture::RABERU: return "RABERU";
    }
    return "?";
}

const char* iconName(IconPicture i)
{
    switch (i) {
    case IconPicture::ICO_COM: return "ICO_COM";
    case IconPicture::ICO_MAN: return "ICO_MAN";
    case IconPicture::TE: return "TE";
    }
    return "?";
}

const char* checkItemName(CheckItem c)
{
    switch (c) {
    case CheckItem::TEJYUN: return "TEJYUN";
    case CheckItem::AICON: return "AICON";
    case CheckItem::BGM: return "BGM";
    }
    return "?";
}

Answer takeQueuedAnswer(std::deque<Answer>& queue, Buttons buttons)
{
    Answer answer = buttons == Buttons::YesNo ? Answer::Yes : Answer::OK;
    if (!queue.empty()) {
        const Answer queued = queue.front();
        if (buttons == Buttons::YesNo) {
            queue.pop_front();
            if (queued != Answer::OK)
                answer = queued;
        } else if (queued == Answer::OK) {
            queue.pop_front();
        }
    }
    return answer;
}

}  // namespace korvalo
