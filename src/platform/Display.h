#pragma once

namespace netrova {

// Whether windows reach a screen. On Qt's offscreen (or minimal) platform nobody can see or
// answer a box, so boxes go to the log (netrova.app) instead of waiting for ever.
bool HasDisplay();

} // namespace netrova
