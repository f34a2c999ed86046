#pragma once

#include <QtGlobal>

#include <exception>

namespace qthost {

// Where Qt calls into the logic: nothing may be thrown back through Qt's
// event delivery, so a stray exception ends here.
template<typename Procedure>
void dispatch(Procedure &&procedure) noexcept
{
    try {
        procedure();
    } catch (const std::exception &error) {
        qCritical("Zelvoviewer: an event procedure failed: %s", error.what());
    } catch (...) {
        qCritical("Zelvoviewer: an event procedure failed");
    }
}

} // namespace qthost
