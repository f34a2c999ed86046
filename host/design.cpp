#include "host/design.h"

namespace host {

const ControlDesign &FormDesign::control(Control which) const
{
    for (const ControlDesign &design : controls) {
        if (design.control == which)
            return design;
    }
    Q_ASSERT_X(false, "FormDesign::control", "the design lacks a control");
    return controls.front();
}

} // namespace host
