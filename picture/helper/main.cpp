// zelvo-decoder: the program's decoder helper, started by the program
// itself (picture/window/helperprocess.h) with its socket as descriptor 3
// and the word that cancels a decode, shared, as descriptor 4. Argument:
// its memory limit in MiB (0: none).

#include "picture/helper/server.h"
#include "picture/helper/startup.h"

#include <QtPlugin>

#include <unistd.h>

// The program's own picture formats (HEIF, AVIF, JPEG XL, camera RAW), for
// every QImageReader here. Only the helpers decode, so only they load the
// formats' libraries: the window starts without them.
Q_IMPORT_PLUGIN(ZelvoImageFormats)

int main(int argc, char *argv[])
{
    int status = 0;
    const std::optional<picture::ReadyHelper> helper = picture::startContained(argc, argv, &status);
    if (!helper)
        return status;
    // Ends without the C library's clean-up: nothing is left to save.
    ::_exit(picture::serveDecodes(*helper));
}
