// The resize arithmetic on the fake host: the guard, the widths and heights,
// the rounding of a and the integer divisions.

#include "fixture.h"

#include <QTest>

#include <cmath>

using host::Control;

namespace {

struct Layout
{
    float viewWidth, viewHeight, textWidth, dirHeight, fileTop, fileHeight;
};

// What the design gives before any resize.
const Layout Design{5415, 6375, 5415, 2190, 2580, 2970};

} // namespace

Q_DECLARE_METATYPE(Layout)

class TestResize : public QObject
{
    Q_OBJECT
private slots:
    void layout_data();
    void layout();
};

void TestResize::layout_data()
{
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<float>("panelHeight");
    QTest::addColumn<float>("dirStep");
    QTest::addColumn<Layout>("expected");

    // L = 2685, T = D = 345 from the design; P = 255 unless a row says otherwise.
    QTest::newRow("classic frame around the design size")
        << 8265.f << 7485.f << 255.f << 0.f << Layout{5460, 6465, 5460, 2155, 2530, 4310};
    QTest::newRow("300 taller: viewer +300, lists +100 and +200")
        << 8265.f << 7785.f << 255.f << 0.f << Layout{5460, 6765, 5460, 2255, 2630, 4510};
    QTest::newRow("width guard exactly at equality") << 2925.f << 7485.f << 255.f << 0.f << Design;
    QTest::newRow("width just above the guard")
        << 2926.f << 7485.f << 255.f << 0.f << Layout{121, 6465, 121, 2155, 2530, 4310};
    QTest::newRow("height guard exactly at equality") << 8265.f << 1200.f << 255.f << 0.f << Design;
    QTest::newRow("height just above the guard: smallest sizes")
        << 8265.f << 1201.f << 255.f << 0.f << Layout{5460, 181, 5460, 60, 435, 120};
    QTest::newRow("both guards hold") << 100.f << 100.f << 255.f << 0.f << Design;
    QTest::newRow("a taller status bar moves the guard")
        << 8265.f << 1275.f << 330.f << 0.f << Design;
    // 945 + 255.0000763 is below the height in double precision, but rounds
    // up to it in single precision: the guard holds.
    QTest::newRow("single-precision sum reaches the height")
        << 8265.f << std::nextafter(1200.f, 2000.f) << 255.0000762939453125f << 0.f << Design;
    QTest::newRow("a % 3 == 2: file list is (a \\ 3) * 2, not a - dir")
        << 8265.f << 7487.f << 255.f << 0.f << Layout{5460, 6467, 5460, 2155, 2530, 4310};
    QTest::newRow("a = 6464.5 rounds to even 6464, not 6465")
        << 8265.f << 7484.5f << 255.f << 0.f << Layout{5460, 6464.5f, 5460, 2154, 2529, 4308};
    QTest::newRow("a = 6465.5 rounds to even 6466")
        << 8265.f << 7485.5f << 255.f << 0.f << Layout{5460, 6465.5f, 5460, 2155, 2530, 4310};
    QTest::newRow("a folder list that rounds its height: file list 30 below its real bottom")
        << 8265.f << 7485.f << 255.f << 225.f << Layout{5460, 6465, 5460, 2025, 2400, 4310};
}

void TestResize::layout()
{
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(float, panelHeight);
    QFETCH(float, dirStep);
    QFETCH(Layout, expected);
    Fixture f;
    f.host.windowWidth = width;
    f.host.windowHeight = height;
    f.host.geometry[Control::Panel].height = panelHeight;
    f.host.dirHeightStep = dirStep;
    f.form.Form_Resize();
    const auto &g = f.host.geometry;
    QCOMPARE(g[Control::View].width, expected.viewWidth);
    QCOMPARE(g[Control::View].height, expected.viewHeight);
    QCOMPARE(g[Control::Text1].width, expected.textWidth);
    QCOMPARE(g[Control::Dir1].height, expected.dirHeight);
    QCOMPARE(g[Control::File1].top, expected.fileTop);
    QCOMPARE(g[Control::File1].height, expected.fileHeight);
    // Left edges, tops of the rest and the drive list never move.
    QCOMPARE(g[Control::View].left, 2685.f);
    QCOMPARE(g[Control::Dir1].top, 345.f);
    QCOMPARE(g[Control::Drive1].height, 300.f);
    QCOMPARE(g[Control::Drive1].width, 2655.f);
}

QTEST_GUILESS_MAIN(TestResize)
#include "tst_resize.moc"
