#pragma once

namespace qthost {

// Where the keys and the wheel ask the file list to go.
enum class Step { Previous, Next, First, Last };

} // namespace qthost
