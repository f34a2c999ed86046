#include "browse/readfailure.h"

#include "common/texts.h"

namespace browse {

void reportReadFailure(host::Host &host)
{
    host.services().beep();
    host.text1().setText(texts::ReadFailed);
    host.services().alert(texts::ReadFailed);
}

} // namespace browse
