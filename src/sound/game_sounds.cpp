#include "sound/game_sounds.h"

namespace korvalo {

void GameSounds::load(int32_t window)
{
    module1.soundInit(window);
    soundOther = module1.soundLoad("その他.wav", 3);
    soundForbidden = module1.soundLoad("禁止.wav", 3);
    soundStone = module1.soundLoad("石打音.wav", 3);
    soundBgm = module1.soundLoad("BGM.wav", 1);
    dsPlayLooping(soundBgm);
}

void GameSounds::free()
{
    dsFree(soundOther);
    dsFree(soundForbidden);
    dsFree(soundStone);
    dsFree(soundBgm);
    module1.soundTerm();
}

void GameSounds::dsPlay(int32_t buffer)
{
    if (DsLibrary* lib = module1.library())
        lib->dsPlay(buffer);
}

void GameSounds::dsPlayLooping(int32_t buffer)
{
    if (DsLibrary* lib = module1.library())
        lib->dsPlayLooping(buffer);
}

void GameSounds::dsStop(int32_t buffer)
{
    if (DsLibrary* lib = module1.library())
        lib->dsStop(buffer);
}

void GameSounds::dsFree(int32_t buffer)
{
    if (DsLibrary* lib = module1.library())
        lib->dsFree(buffer);
}

}  // namespace korvalo
