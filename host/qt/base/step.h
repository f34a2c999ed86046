#pragma once

#include <Qt>

#include <optional>

namespace qthost {

// Where the keys and the wheel ask the file list to go.
enum class Step { Previous, Next, First, Last };

// The stepping keys, one table for the picture and the file list (pressed
// without modifiers): Right, Down, Space and Page Down the next file; Left,
// Up, Backspace and Page Up the previous one; Home and End either end.
inline std::optional<Step> stepForKey(int key)
{
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_Space:
    case Qt::Key_PageDown: return Step::Next;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Backspace:
    case Qt::Key_PageUp: return Step::Previous;
    case Qt::Key_Home: return Step::First;
    case Qt::Key_End: return Step::Last;
    default: return std::nullopt;
    }
}

} // namespace qthost
