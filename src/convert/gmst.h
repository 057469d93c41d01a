#pragma once

namespace qp {

// Replaces the string value of every game setting found in the game-setting
// dictionary.
void ConvertGameSettings();

}  // namespace qp
