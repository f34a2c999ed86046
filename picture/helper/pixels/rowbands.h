#pragma once

#include <functional>

namespace picture {

// `rows` rows shared out in bands among `threads` (this one included), each
// band's rows [from, to) given to `work`; fewer threads if none can be made.
void inRowBands(int rows, int threads, const std::function<void(int from, int to)> &work);

} // namespace picture
