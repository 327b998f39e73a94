#include "reliability/vanished_line.h"

bool VanishedLinesCannotBeReopened() { return true; }
