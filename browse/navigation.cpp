#include "browse/navigation.h"

#include "browse/readfailure.h"
#include "history/rireki.h"

namespace browse {

void Drive1_Change(host::Host &host)
{
    if (!host.dir1().setPath(host.drive1().drive()))
        reportReadFailure(host);
}

void Dir1_Change(host::Host &host)
{
    // The folder list has just read this folder, so the file list failing on
    // it is rare (a race with its removal); say so as for a drive.
    if (!host.file1().setPath(host.dir1().path()))
        reportReadFailure(host);
    history::Enter_Rireki(host, host.dir1().path());
}

} // namespace browse
