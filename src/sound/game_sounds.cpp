#include "sound/game_sounds.h"

namespace korvalo {

void GameSounds::load(int32_t window)
{
    module1.soundInit(window);
    soundOther_ = module1.soundLoad("その他.wav", 3);
    soundForbidden_ = module1.soundLoad("禁止.wav", 3);
    soundStone_ = module1.soundLoad("石打音.wav", 3);
    soundBgm_ = module1.soundLoad("BGM.wav", 1);
    dsPlayLooping(soundBgm_);
}

void GameSounds::free()
{
    dsFree(soundOther_);
    dsFree(soundForbidden_);
    dsFree(soundStone_);
    dsFree(soundBgm_);
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
