#pragma once
// Where the display procedures find their pictures and how cell units turn
// into twips on the drawing surface.
#include <optional>

#include "platform/platform.h"
#include "rules/game_state.h"

namespace korvalo {

// Pictures that exist once (MASU, KOMA_SIDOU, RABERU) are element 0 of their
// name; the piece sets KURO, AO, SIRO and AKA use elements 1..5, element 1
// being the piece at rest and 2..5 the frames of a turning piece.
inline constexpr int singlePicture = 0;
inline constexpr int pieceAtRest = 1;

// Cell point (u, v) in twips: squares are cellWidth by cellHeight, counted
// from (boardLeft, boardTop).
constexpr double twipsX(double u) { return boardLeft + u * cellWidth; }
constexpr double twipsY(double v) { return boardTop + v * cellHeight; }

// The piece pictures of a colour code, compared in the order black, blue,
// white, red; nothing for any other code.
std::optional<Picture> pieceSet(int colour);

}  // namespace korvalo
