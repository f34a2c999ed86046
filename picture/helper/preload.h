#pragma once

namespace picture {

// Loads every decoder the helper may need, and with `fonts` the fonts that
// pictures draw their text in, before it is contained: afterwards it can
// open nothing, and no file is there to open.
void loadDecoders(bool fonts);

} // namespace picture
