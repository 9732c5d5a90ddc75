// Placeholders until the sound module is written; removed with it.
#include <cstdlib>

#include "sound/module1.h"

namespace korvalo {
void Module1::soundInit(int32_t) { std::abort(); }
int32_t Module1::soundLoad(const std::string&, int32_t) { std::abort(); }
void Module1::soundTerm() { std::abort(); }
void Module1::soundWarn(const std::string&) { std::abort(); }
}  // namespace korvalo
