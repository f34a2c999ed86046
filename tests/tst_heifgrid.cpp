// A HEIC's tiles found in its boxes however an encoder writes them, and
// turned as libheif turns a picture.

#include "picture/helper/formats/heifgrid.h"
#include "picture/helper/pixels/planeturn.h"

#include <QImage>
#include <QTest>
#include <QTransform>

#include <array>

using namespace picture;

namespace {

QByteArray bigEndian(quint64 value, int bytes)
{
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char(value >> (8 * i)));
    return out;
}

QByteArray box(const char *type, const QByteArray &body)
{
    return bigEndian(quint64(body.size()) + 8, 4) + QByteArray(type, 4) + body;
}

QByteArray fullBox(const char *type, int version, int flags, const QByteArray &body)
{
    return box(type, bigEndian(quint64(version), 1) + bigEndian(quint64(flags), 3) + body);
}

// How an encoder may write the same grid.
struct Writing
{
    int ilocVersion = 0;   // 1 and 2 say where each item's bytes are built
    bool wideIds = false;  // item IDs of 32 bits (infe 3, iloc 2, pitm, iref and ipma 1)
    bool wideIndexes = false; // ipma's property indexes of 15 bits
    bool gridInIdat = false;  // the grid's description in the idat box (iloc 1 or 2)
    bool largeMdat = false;   // the mdat's size in 64 bits
    int offsetBytes = 4;
    int baseBytes = 0;
    QByteArray gridColr;        // a colr's body said of the grid, if any
    QByteArray tileColr;        // and of each tile, if any
    bool sharedColr = false;    // the tiles' colr the very property of the grid's
};

constexpr int TileCount = 4; // 2 x 2 tiles of 64, for a picture of 100 x 100

QByteArray tileBytes(int index)
{
    const QByteArray unit = "coded tile " + QByteArray::number(index);
    return bigEndian(quint64(unit.size()), 4) + unit;
}

// A HEIC of one 2 x 2 grid written as `writing` says.
QByteArray gridFile(const Writing &writing)
{
    const quint32 first = writing.wideIds ? 0x10001 : 1;
    const int idBytes = writing.wideIds ? 4 : 2;
    const QByteArray gridDescription = bigEndian(0, 1) + bigEndian(0, 1) + bigEndian(1, 1) + bigEndian(1, 1)
                                     + bigEndian(100, 2) + bigEndian(100, 2);
    // hvcC: its fixed part (four-byte NAL lengths), then one array of one unit.
    QByteArray hvcc(21, '\0');
    hvcc[0] = 1;
    hvcc += char(0x03);
    hvcc += char(1) + QByteArray("\x20", 1) + bigEndian(1, 2) + bigEndian(3, 2) + "VPS";
    // Properties 1 to 3, then the grid's colr (4) and the tiles' own (5).
    QByteArray properties = box("hvcC", hvcc) + fullBox("ispe", 0, 0, bigEndian(64, 4) + bigEndian(64, 4))
                          + fullBox("ispe", 0, 0, bigEndian(100, 4) + bigEndian(100, 4));
    const bool gridColr = !writing.gridColr.isEmpty();
    const bool tileColr = !writing.tileColr.isEmpty();
    if (gridColr)
        properties += box("colr", writing.gridColr);
    if (tileColr && !writing.sharedColr)
        properties += box("colr", writing.tileColr);
    const int tileColrIndex = writing.sharedColr ? 4 : gridColr ? 5 : 4;
    const QByteArray ipco = box("ipco", properties);
    const auto association = [&writing](int index, bool essential) {
        return writing.wideIndexes ? bigEndian(quint64(index | (essential ? 0x8000 : 0)), 2)
                                   : bigEndian(quint64(index | (essential ? 0x80 : 0)), 1);
    };
    QByteArray ipmaBody = bigEndian(TileCount + 1, 4) + bigEndian(first, idBytes) + bigEndian(gridColr ? 2 : 1, 1)
                        + association(3, false) + (gridColr ? association(4, true) : QByteArray());
    for (int i = 0; i < TileCount; ++i)
        ipmaBody += bigEndian(first + 1 + quint32(i), idBytes) + bigEndian(tileColr ? 3 : 2, 1) + association(1, true)
                  + association(2, false) + (tileColr ? association(tileColrIndex, true) : QByteArray());
    const QByteArray iprp = box("iprp", ipco + fullBox("ipma", writing.wideIds ? 1 : 0, writing.wideIndexes ? 1 : 0,
                                                       ipmaBody));
    QByteArray infes = fullBox("infe", writing.wideIds ? 3 : 2, 0,
                               bigEndian(first, idBytes) + bigEndian(0, 2) + "grid" + QByteArray(1, '\0'));
    for (int i = 0; i < TileCount; ++i)
        infes += fullBox("infe", writing.wideIds ? 3 : 2, 1,
                         bigEndian(first + 1 + quint32(i), idBytes) + bigEndian(0, 2) + "hvc1" + QByteArray(1, '\0'));
    QByteArray dimg = bigEndian(first, idBytes) + bigEndian(TileCount, 2);
    for (int i = 0; i < TileCount; ++i)
        dimg += bigEndian(first + 1 + quint32(i), idBytes);
    const QByteArray iref = fullBox("iref", writing.wideIds ? 1 : 0, 0, box("dimg", dimg));
    const int ilocIdBytes = writing.ilocVersion == 2 ? 4 : 2;
    const quint64 base = writing.baseBytes ? 16 : 0; // taken off every offset below

    const auto meta = [&](quint64 mdatData) {
        QByteArray extents;
        int items = 0;
        const auto item = [&](quint32 id, int construction, quint64 offset, quint64 length) {
            ++items;
            extents += bigEndian(id, ilocIdBytes);
            if (writing.ilocVersion > 0)
                extents += bigEndian(quint64(construction), 2);
            extents += bigEndian(0, 2) + bigEndian(base, writing.baseBytes) + bigEndian(1, 2)
                     + bigEndian(offset - base, writing.offsetBytes) + bigEndian(length, 4);
        };
        quint64 at = mdatData;
        if (writing.gridInIdat) {
            item(first, 1, base, quint64(gridDescription.size()));
        } else {
            item(first, 0, at, quint64(gridDescription.size()));
            at += quint64(gridDescription.size());
        }
        for (int i = 0; i < TileCount; ++i) {
            item(first + 1 + quint32(i), 0, at, quint64(tileBytes(i).size()));
            at += quint64(tileBytes(i).size());
        }
        const QByteArray iloc =
            fullBox("iloc", writing.ilocVersion, 0,
                    bigEndian(quint64(writing.offsetBytes << 4 | 4), 1) + bigEndian(quint64(writing.baseBytes << 4), 1)
                        + bigEndian(quint64(items), ilocIdBytes == 4 ? 4 : 2) + extents);
        // In idat, the description lies `base` bytes in, after filler.
        const QByteArray idat = writing.gridInIdat ? box("idat", QByteArray(qsizetype(base), '\0') + gridDescription)
                                                   : QByteArray();
        return fullBox("meta", 0, 0,
                       fullBox("hdlr", 0, 0, bigEndian(0, 4) + "pict" + QByteArray(13, '\0'))
                           + fullBox("pitm", writing.wideIds ? 1 : 0, 0, bigEndian(first, idBytes)) + iloc
                           + fullBox("iinf", writing.wideIds ? 1 : 0, 0,
                                     bigEndian(TileCount + 1, writing.wideIds ? 4 : 2) + infes)
                           + iref + iprp + idat);
    };
    QByteArray data = writing.gridInIdat ? QByteArray() : gridDescription;
    for (int i = 0; i < TileCount; ++i)
        data += tileBytes(i);
    const QByteArray ftyp = box("ftyp", QByteArray("heic") + bigEndian(0, 4) + "mif1heic");
    const qsizetype mdatHeader = writing.largeMdat ? 16 : 8;
    const QByteArray mdat = writing.largeMdat ? bigEndian(1, 4) + "mdat" + bigEndian(quint64(data.size()) + 16, 8) + data
                                              : box("mdat", data);
    // The offsets are of a fixed size: the meta box is as long either way.
    const qsizetype metaLength = meta(0).size();
    return ftyp + meta(quint64(ftyp.size() + metaLength + mdatHeader)) + mdat;
}

} // namespace

class TestHeifGrid : public QObject
{
    Q_OBJECT

private slots:
    void tilesFoundHoweverWritten_data();
    void tilesFoundHoweverWritten();
    void tileColoursTakenOnlyAsTheGrids_data();
    void tileColoursTakenOnlyAsTheGrids();
    void turnedAsLibheifTurns_data();
    void turnedAsLibheifTurns();
};

void TestHeifGrid::tilesFoundHoweverWritten_data()
{
    QTest::addColumn<int>("ilocVersion");
    QTest::addColumn<bool>("wideIds");
    QTest::addColumn<bool>("wideIndexes");
    QTest::addColumn<bool>("gridInIdat");
    QTest::addColumn<bool>("largeMdat");
    QTest::addColumn<int>("offsetBytes");
    QTest::addColumn<int>("baseBytes");
    QTest::newRow("as heif-enc writes") << 0 << false << false << false << false << 4 << 0;
    QTest::newRow("the grid's description in idat, as phones write it") << 1 << false << false << true << false << 4 << 0;
    QTest::newRow("item IDs of 32 bits") << 2 << true << false << false << false << 4 << 0;
    QTest::newRow("property indexes of 15 bits") << 0 << false << true << false << false << 4 << 0;
    QTest::newRow("an mdat of 64-bit size") << 0 << false << false << false << true << 4 << 0;
    QTest::newRow("offsets of 8 bytes from a base") << 1 << false << false << true << false << 8 << 4;
}

void TestHeifGrid::tilesFoundHoweverWritten()
{
    Writing writing;
    QFETCH(int, ilocVersion);
    QFETCH(bool, wideIds);
    QFETCH(bool, wideIndexes);
    QFETCH(bool, gridInIdat);
    QFETCH(bool, largeMdat);
    QFETCH(int, offsetBytes);
    QFETCH(int, baseBytes);
    writing = {ilocVersion, wideIds, wideIndexes, gridInIdat, largeMdat, offsetBytes, baseBytes, {}, {}, false};
    const QByteArray file = gridFile(writing);
    const std::optional<heifgrid::Grid> grid = heifgrid::plainGridOf(file);
    QVERIFY(grid);
    QCOMPARE(grid->size, QSize(100, 100));
    QCOMPARE(grid->tileSize, QSize(64, 64));
    QCOMPARE(QSize(grid->columns, grid->rows), QSize(2, 2));
    QVERIFY(!grid->whole);
    QCOMPARE(grid->tiles.size(), size_t(TileCount));
    for (int i = 0; i < TileCount; ++i) {
        const heifgrid::Tile &tile = grid->tiles[size_t(i)];
        QCOMPARE(tile.parameterSets, bigEndian(3, 4) + "VPS");
        QByteArray coded;
        for (const QByteArrayView piece : tile.pieces)
            coded += piece;
        QCOMPARE(coded, tileBytes(i));
    }
}

void TestHeifGrid::tileColoursTakenOnlyAsTheGrids_data()
{
    const QByteArray p3 = "prof" + QByteArray("an ICC profile of Display P3");
    const QByteArray srgb = "prof" + QByteArray("an ICC profile of sRGB");
    const QByteArray bt709 = "nclx" + bigEndian(1, 2) + bigEndian(13, 2) + bigEndian(1, 2) + bigEndian(0x80, 1);
    QTest::addColumn<QByteArray>("gridColr");
    QTest::addColumn<QByteArray>("tileColr");
    QTest::addColumn<bool>("shared");
    QTest::addColumn<bool>("plain");
    QTest::newRow("the grid's profile said of each tile, as phones write it") << p3 << p3 << true << true;
    QTest::newRow("a copy of the grid's profile") << p3 << p3 << false << true;
    QTest::newRow("a profile of the tiles' own") << p3 << srgb << false << false;
    QTest::newRow("the tiles' profile, the grid's none") << QByteArray() << p3 << false << false;
    QTest::newRow("an nclx, which says how a tile is made RGB") << bt709 << bt709 << true << false;
    QTest::newRow("a colr too short to say its type") << QByteArray("prof") << QByteArray("pro") << false << false;
}

void TestHeifGrid::tileColoursTakenOnlyAsTheGrids()
{
    QFETCH(QByteArray, gridColr);
    QFETCH(QByteArray, tileColr);
    QFETCH(bool, shared);
    QFETCH(bool, plain);
    Writing writing;
    writing.gridColr = gridColr;
    writing.tileColr = tileColr;
    writing.sharedColr = shared;
    const std::optional<heifgrid::Grid> grid = heifgrid::plainGridOf(gridFile(writing));
    QCOMPARE(grid.has_value(), plain);
    if (plain)
        QCOMPARE(grid->tiles.size(), size_t(TileCount));
}

void TestHeifGrid::turnedAsLibheifTurns_data()
{
    QTest::addColumn<int>("quarters");
    for (const int quarters : {0, 1, 2, 3})
        QTest::addRow("%d quarters anticlockwise", quarters) << quarters;
}

// Turned planes hold what Qt's turn of the same picture holds, and a part
// of it lands where its pixels do.
void TestHeifGrid::turnedAsLibheifTurns()
{
    QFETCH(int, quarters);
    const QSize size(5, 3);
    QImage picture(size, QImage::Format_Grayscale8);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            picture.scanLine(y)[x] = uchar(y * size.width() + x);
    }
    const QImage expected = picture.transformed(QTransform().rotate(-90 * quarters));
    std::array<std::vector<std::uint8_t>, 3> out;
    for (auto &plane : out)
        plane.assign(std::size_t(size.width() * size.height()), 0xFF);
    const QSize turnedSize = quarters % 2 ? size.transposed() : size;
    const RgbPlanes planes{picture.constBits(), picture.constBits(), picture.constBits(), int(picture.bytesPerLine()),
                           int(picture.bytesPerLine()), int(picture.bytesPerLine()), size};
    turnPlanes(planes, quarters,
               {out[0].data(), out[1].data(), out[2].data(), turnedSize.width(), turnedSize.width(), turnedSize.width(),
                turnedSize});
    QCOMPARE(expected.size(), turnedSize);
    for (int y = 0; y < turnedSize.height(); ++y) {
        for (int x = 0; x < turnedSize.width(); ++x) {
            for (const auto &plane : out)
                QCOMPARE(int(plane[std::size_t(y * turnedSize.width() + x)]), int(expected.constScanLine(y)[x]));
        }
    }
    // A part: its corners' samples are where the turned part says.
    const QRect part(1, 1, 3, 2);
    const QRect turned = turnedRect(part, size, quarters);
    QCOMPARE(turned.size(), quarters % 2 ? part.size().transposed() : part.size());
    int inside = 0;
    for (int y = 0; y < turnedSize.height(); ++y) {
        for (int x = 0; x < turnedSize.width(); ++x) {
            const int sample = expected.constScanLine(y)[x];
            const QPoint from(sample % size.width(), sample / size.width());
            QCOMPARE(turned.contains(QPoint(x, y)), part.contains(from));
            inside += turned.contains(QPoint(x, y)) ? 1 : 0;
        }
    }
    QCOMPARE(inside, part.width() * part.height());
}

QTEST_GUILESS_MAIN(TestHeifGrid)
#include "tst_heifgrid.moc"
