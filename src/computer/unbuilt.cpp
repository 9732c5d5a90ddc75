// Placeholder until the computer's move choice is written; removed with it.
#include <cstdlib>

#include "flow/form1.h"

namespace korvalo {
void Form1::COM置場所取得(int, int&, int&) { std::abort(); }
}  // namespace korvalo
