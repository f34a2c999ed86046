#pragma once

// How a decoder helper comes to be ready: the descriptors the window handed
// over and nothing else, its decoders and fonts loaded while it may still
// open files, then contained for good, and the window told so.

#include <QtGlobal>

#include <atomic>
#include <optional>

namespace picture {

struct ReadyHelper
{
    int socket = -1;                      // to the window
    std::atomic_bool *cancelled = nullptr; // shared with the window
    bool fonts = false;                    // it can draw text: fonts loaded
};

// Started as zelvo-decoder is (helperprocess.h): the socket as descriptor
// 3, the cancel word as 4, the memory limit in MiB as the first argument;
// after it "--fonts" (fonts are loaded, for pictures that draw text) and
// "--audit" (refused calls are written to standard error).
// Nullopt, with the exit status in `status`, when it cannot be contained.
std::optional<ReadyHelper> startContained(int argc, char *argv[], int *status);

} // namespace picture
