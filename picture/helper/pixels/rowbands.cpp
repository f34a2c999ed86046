#include "picture/helper/pixels/rowbands.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace picture {

void inRowBands(int rows, int threads, const std::function<void(int from, int to)> &work)
{
    if (rows <= 0)
        return;
    const int bands = std::clamp(threads, 1, rows);
    const auto band = [&work, bands, rows](int which) {
        work(rows * which / bands, rows * (which + 1) / bands);
    };
    std::vector<std::thread> workers;
    int done = 1;
    try {
        for (; done < bands; ++done)
            workers.emplace_back(band, done);
    } catch (const std::system_error &) {
        // No thread for the bands left: this one does them.
    }
    for (int which = done; which < bands; ++which)
        band(which);
    band(0);
    for (std::thread &worker : workers)
        worker.join();
}

} // namespace picture
