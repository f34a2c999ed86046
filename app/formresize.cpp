#include "app/formresize.h"

#include <cmath>

void layoutOnResize(host::Host &host)
{
    // Single precision throughout, as the window reports its sizes.
    const float W = host.form().width();
    const float H = host.form().height();
    const float L = host.view().left();
    const float T = host.view().top();
    const float P = host.panel().height();
    const float D = host.dir1().top();

    const float rightLimit = L + 240.0f;
    const float topAndPanel = T + 600.0f;
    const float bottomLimit = topAndPanel + P;
    if (rightLimit >= W || bottomLimit >= H)
        return;

    host.view().setWidth(W - L - 120.0f);
    host.view().setHeight(H - T - P - 420.0f);
    host.text1().setWidth(W - L - 120.0f);

    // Rounded to nearest, halves to even (the default rounding mode), not
    // away from zero.
    const int a = static_cast<int>(std::lrint(H - D - P - 420.0f));
    host.dir1().setHeight(float(a / 3));
    // The folder list may round its height; the file list follows its real bottom.
    host.file1().setTop(host.dir1().height() + D + 30.0f);
    host.file1().setHeight(float((a / 3) * 2));
}
