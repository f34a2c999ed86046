#pragma once

namespace picture {

// Loads every decoder and font the helper may need, before it is contained:
// afterwards it can open nothing, and no file is there to open.
void loadDecoders();

} // namespace picture
