#include "picture/helper/formats/heifgrid.h"

#include <QHash>

#include <algorithm>
#include <array>

namespace picture::heifgrid {
namespace {

constexpr quint64 MostTileSide = 4096;
// What a grid's tile may say of itself (its colours only as the grid's).
constexpr std::initializer_list<const char *> TileProperties{"hvcC", "ispe", "pixi", "pasp", "colr"};

// Big-endian numbers from a piece of the file; once a read runs past its
// end, every later read gives 0 and ok() is false.
class Reader
{
public:
    explicit Reader(QByteArrayView bytes) : m_bytes(bytes) {}

    bool ok() const { return m_ok; }
    qsizetype left() const { return m_bytes.size() - m_at; }

    quint64 number(int bytes)
    {
        if (bytes < 0 || bytes > 8 || left() < bytes) {
            m_ok = false;
            return 0;
        }
        quint64 value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | quint8(m_bytes[m_at++]);
        return value;
    }

    QByteArrayView take(quint64 count)
    {
        if (!m_ok || count > quint64(left())) {
            m_ok = false;
            return {};
        }
        const QByteArrayView taken = m_bytes.sliced(m_at, qsizetype(count));
        m_at += qsizetype(count);
        return taken;
    }

    QByteArrayView rest() { return take(quint64(left())); }

private:
    QByteArrayView m_bytes;
    qsizetype m_at = 0;
    bool m_ok = true;
};

struct Box
{
    QByteArrayView type;
    QByteArrayView body;
};

// The boxes directly in `bytes`, up to the first that does not fit.
std::vector<Box> boxesIn(QByteArrayView bytes)
{
    std::vector<Box> boxes;
    Reader reader(bytes);
    while (reader.left() >= 8) {
        quint64 size = reader.number(4);
        const QByteArrayView type = reader.take(4);
        quint64 header = 8;
        if (size == 1) {
            size = reader.number(8);
            header = 16;
        } else if (size == 0) {
            size = quint64(reader.left()) + header;
        }
        if (!reader.ok() || size < header)
            break;
        const QByteArrayView body = reader.take(size - header);
        if (!reader.ok())
            break;
        boxes.push_back({type, body});
    }
    return boxes;
}

std::optional<QByteArrayView> bodyOf(const std::vector<Box> &boxes, QByteArrayView type)
{
    const auto found = std::find_if(boxes.begin(), boxes.end(), [type](const Box &box) { return box.type == type; });
    return found == boxes.end() ? std::nullopt : std::optional(found->body);
}

struct Location
{
    int construction = 0; // 0: in the file, 1: in the idat box
    std::vector<std::pair<quint64, quint64>> extents; // offset, length
};

struct Meta
{
    quint32 primary = 0;
    QHash<quint32, QByteArrayView> types;
    QHash<quint32, Location> locations;
    QHash<quint32, std::vector<quint32>> tilesOf; // dimg references
    std::vector<Box> properties;                  // ipco's, the first being 1
    QHash<quint32, std::vector<int>> propertiesOf; // indexes into `properties`
    QByteArrayView idat;
};

bool readPrimary(QByteArrayView body, Meta &meta)
{
    Reader reader(body);
    const quint64 version = reader.number(1);
    reader.number(3);
    meta.primary = quint32(reader.number(version == 0 ? 2 : 4));
    return reader.ok();
}

bool readItemInfos(QByteArrayView body, Meta &meta)
{
    Reader reader(body);
    const quint64 version = reader.number(1);
    reader.number(3);
    reader.number(version == 0 ? 2 : 4);
    if (!reader.ok())
        return false;
    for (const Box &entry : boxesIn(reader.rest())) {
        if (entry.type != "infe")
            continue;
        Reader infe(entry.body);
        const quint64 entryVersion = infe.number(1);
        infe.number(3);
        if (entryVersion < 2)
            continue; // no item type; never a grid or its tiles
        const auto id = quint32(infe.number(entryVersion == 2 ? 2 : 4));
        infe.number(2); // protection
        const QByteArrayView type = infe.take(4);
        if (infe.ok())
            meta.types.insert(id, type);
    }
    return true;
}

bool readLocations(QByteArrayView body, Meta &meta)
{
    Reader reader(body);
    const quint64 version = reader.number(1);
    reader.number(3);
    if (version > 2)
        return false;
    const quint64 sizes = reader.number(2);
    const int offsetSize = int(sizes >> 12 & 15);
    const int lengthSize = int(sizes >> 8 & 15);
    const int baseSize = int(sizes >> 4 & 15);
    const int indexSize = version == 0 ? 0 : int(sizes & 15);
    const quint64 count = reader.number(version < 2 ? 2 : 4);
    for (quint64 i = 0; i < count && reader.ok(); ++i) {
        const auto id = quint32(reader.number(version < 2 ? 2 : 4));
        Location location;
        if (version > 0)
            location.construction = int(reader.number(2) & 15);
        const quint64 dataReference = reader.number(2);
        const quint64 base = reader.number(baseSize);
        const quint64 extents = reader.number(2);
        for (quint64 e = 0; e < extents && reader.ok(); ++e) {
            reader.number(indexSize);
            const quint64 offset = reader.number(offsetSize);
            const quint64 length = reader.number(lengthSize);
            // Lengths of 0 ("to the end") and sums past 64 bits are left to libheif.
            if (length == 0 || offset > ~quint64(0) - base)
                location.construction = -1;
            location.extents.emplace_back(base + offset, length);
        }
        if (dataReference != 0)
            location.construction = -1; // in another file
        meta.locations.insert(id, std::move(location));
    }
    return reader.ok();
}

bool readReferences(QByteArrayView body, Meta &meta)
{
    Reader reader(body);
    const quint64 version = reader.number(1);
    reader.number(3);
    if (!reader.ok())
        return false;
    const int idSize = version == 0 ? 2 : 4;
    for (const Box &reference : boxesIn(reader.rest())) {
        Reader references(reference.body);
        const auto from = quint32(references.number(idSize));
        const quint64 count = references.number(2);
        std::vector<quint32> to;
        for (quint64 i = 0; i < count && references.ok(); ++i)
            to.push_back(quint32(references.number(idSize)));
        if (!references.ok())
            return false;
        if (reference.type == "dimg" && !meta.tilesOf.contains(from))
            meta.tilesOf.insert(from, std::move(to));
    }
    return true;
}

bool readProperties(QByteArrayView body, Meta &meta)
{
    const std::vector<Box> inside = boxesIn(body);
    const std::optional<QByteArrayView> ipco = bodyOf(inside, "ipco");
    const std::optional<QByteArrayView> ipma = bodyOf(inside, "ipma");
    if (!ipco || !ipma)
        return false;
    meta.properties = boxesIn(*ipco);
    Reader reader(*ipma);
    const quint64 version = reader.number(1);
    const quint64 flags = reader.number(3);
    const quint64 entries = reader.number(4);
    for (quint64 i = 0; i < entries && reader.ok(); ++i) {
        const auto id = quint32(reader.number(version < 1 ? 2 : 4));
        const quint64 count = reader.number(1);
        std::vector<int> indexes;
        for (quint64 a = 0; a < count && reader.ok(); ++a) {
            const quint64 index = (flags & 1) ? reader.number(2) & 0x7FFF : reader.number(1) & 0x7F;
            if (index > 0)
                indexes.push_back(int(index) - 1);
        }
        meta.propertiesOf[id].insert(meta.propertiesOf[id].end(), indexes.begin(), indexes.end());
    }
    return reader.ok();
}

std::optional<Meta> metaOf(QByteArrayView file)
{
    const std::vector<Box> top = boxesIn(file);
    const std::optional<QByteArrayView> metaBox = bodyOf(top, "meta");
    if (!metaBox || metaBox->size() < 4)
        return std::nullopt;
    const std::vector<Box> inside = boxesIn(metaBox->sliced(4)); // past its version and flags
    Meta meta;
    const auto pitm = bodyOf(inside, "pitm");
    const auto iinf = bodyOf(inside, "iinf");
    const auto iloc = bodyOf(inside, "iloc");
    const auto iref = bodyOf(inside, "iref");
    const auto iprp = bodyOf(inside, "iprp");
    // A picture coded whole may refer to nothing.
    if (!pitm || !iinf || !iloc || !iprp || !readPrimary(*pitm, meta) || !readItemInfos(*iinf, meta)
        || !readLocations(*iloc, meta) || (iref && !readReferences(*iref, meta)) || !readProperties(*iprp, meta))
        return std::nullopt;
    meta.idat = bodyOf(inside, "idat").value_or(QByteArrayView());
    return meta;
}

// The item's bytes, in pieces of the file or of its idat box.
std::optional<std::vector<QByteArrayView>> piecesOf(const Meta &meta, quint32 id, QByteArrayView file)
{
    const auto location = meta.locations.constFind(id);
    if (location == meta.locations.cend() || location->extents.empty())
        return std::nullopt;
    QByteArrayView source;
    if (location->construction == 0)
        source = file;
    else if (location->construction == 1)
        source = meta.idat;
    else
        return std::nullopt;
    std::vector<QByteArrayView> pieces;
    for (const auto &[offset, length] : location->extents) {
        if (offset > quint64(source.size()) || length > quint64(source.size()) - offset)
            return std::nullopt;
        pieces.push_back(source.sliced(qsizetype(offset), qsizetype(length)));
    }
    return pieces;
}

// The item's properties, by type; none when it has one not in `allowed`.
std::optional<QHash<QByteArrayView, QByteArrayView>> propertiesOf(const Meta &meta, quint32 id,
                                                                 std::initializer_list<const char *> allowed)
{
    QHash<QByteArrayView, QByteArrayView> found;
    for (const int index : meta.propertiesOf.value(id)) {
        if (index < 0 || size_t(index) >= meta.properties.size())
            return std::nullopt;
        const Box &property = meta.properties[size_t(index)];
        if (std::none_of(allowed.begin(), allowed.end(), [&](const char *type) { return property.type == type; }))
            return std::nullopt;
        if (!found.contains(property.type))
            found.insert(property.type, property.body);
    }
    return found;
}

// The width and height an ispe says.
std::optional<QSize> sizeOf(QByteArrayView ispe, quint64 most)
{
    Reader reader(ispe);
    reader.number(4);
    const quint64 width = reader.number(4);
    const quint64 height = reader.number(4);
    if (!reader.ok() || width == 0 || height == 0 || width > most || height > most)
        return std::nullopt;
    return QSize(int(width), int(height));
}

// An hvcC's parameter sets, each after a four-byte length; none unless the
// coded NAL units have four-byte lengths too, as our decoder reads them.
std::optional<QByteArray> parameterSetsOf(QByteArrayView hvcc)
{
    Reader reader(hvcc);
    reader.take(21);
    const quint64 lengthSize = (reader.number(1) & 3) + 1;
    const quint64 arrays = reader.number(1);
    if (!reader.ok() || lengthSize != 4)
        return std::nullopt;
    QByteArray sets;
    for (quint64 a = 0; a < arrays && reader.ok(); ++a) {
        reader.number(1); // the NAL units' type
        const quint64 units = reader.number(2);
        for (quint64 u = 0; u < units && reader.ok(); ++u) {
            const quint64 length = reader.number(2);
            const QByteArrayView unit = reader.take(length);
            const std::array<char, 4> prefix{char(length >> 24), char(length >> 16), char(length >> 8), char(length)};
            sets.append(prefix.data(), 4).append(unit);
        }
    }
    if (!reader.ok())
        return std::nullopt;
    return sets;
}

// Item `id` as a tile: its parameter sets and where its coded bytes are,
// with the size its ispe says (at most `most` on a side); none when it is not
// an HEVC picture in the file with only the properties in `allowed`.
std::optional<Tile> tileOf(const Meta &meta, quint32 id, QByteArrayView file,
                           std::initializer_list<const char *> allowed, quint64 most, QSize &size)
{
    const auto properties = propertiesOf(meta, id, allowed);
    if (meta.types.value(id) != "hvc1" || !properties || !properties->contains("hvcC") || !properties->contains("ispe"))
        return std::nullopt;
    const std::optional<QSize> said = sizeOf(properties->value("ispe"), most);
    std::optional<QByteArray> parameterSets = parameterSetsOf(properties->value("hvcC"));
    const auto location = meta.locations.constFind(id);
    std::optional<std::vector<QByteArrayView>> pieces =
        location != meta.locations.cend() && location->construction == 0 ? piecesOf(meta, id, file) : std::nullopt;
    if (!said || !parameterSets || !pieces)
        return std::nullopt;
    size = *said;
    return Tile{std::move(*parameterSets), std::move(*pieces)};
}

// Adds what `property` says of turning or mirroring, unless said already.
void noteTurn(TurnSaid &said, const Box &property)
{
    if (property.body.isEmpty())
        return;
    if (property.type == "irot" && !said.quarterTurns)
        said.quarterTurns = property.body[0] & 3;
    else if (property.type == "imir" && !said.mirror)
        said.mirror = property.body[0] & 1;
}

TurnSaid turnSaidOf(const Meta &meta, quint32 id)
{
    TurnSaid said;
    for (const int index : meta.propertiesOf.value(id)) {
        if (index >= 0 && size_t(index) < meta.properties.size())
            noteTurn(said, meta.properties[size_t(index)]);
    }
    return said;
}

int quarterTurnsOf(const Meta &meta, quint32 id)
{
    return turnSaidOf(meta, id).quarterTurns.value_or(0);
}

// The primary picture coded whole, as a grid of that one tile.
std::optional<Grid> wholeOf(const Meta &meta, QByteArrayView file)
{
    // Its colours are its own, and a turn; a mirror or a crop may not be.
    Grid grid;
    std::optional<Tile> tile =
        tileOf(meta, meta.primary, file, {"hvcC", "ispe", "pixi", "colr", "pasp", "irot"}, 1u << 20, grid.size);
    if (!tile)
        return std::nullopt;
    grid.tileSize = grid.size;
    grid.rows = grid.columns = 1;
    grid.whole = true;
    grid.quarterTurns = quarterTurnsOf(meta, meta.primary);
    grid.tiles.push_back(std::move(*tile));
    return grid;
}

// Phones say the grid's ICC profile of each tile too. A profile changes
// nothing of how a tile is made RGB, and libheif tags the whole with the
// grid's; an nclx, or a profile of the tile's own, is left to libheif.
bool coloursAreTheGrids(const Meta &meta, quint32 tile, const QHash<QByteArrayView, QByteArrayView> &grid)
{
    const auto said = propertiesOf(meta, tile, TileProperties);
    if (!said || !said->contains("colr"))
        return said.has_value();
    const QByteArrayView colr = said->value("colr");
    const QByteArrayView type = colr.first(std::min<qsizetype>(4, colr.size()));
    return (type == "prof" || type == "rICC") && colr == grid.value("colr");
}

std::optional<Grid> gridOf(const Meta &meta, QByteArrayView file)
{
    // Colours may be said of the grid (libheif makes each tile RGB by its
    // own), and a turn; a mirror or a crop may not.
    const auto gridProperties = propertiesOf(meta, meta.primary, {"ispe", "pixi", "colr", "pasp", "irot"});
    if (!gridProperties)
        return std::nullopt;
    const std::optional<std::vector<QByteArrayView>> gridData = piecesOf(meta, meta.primary, file);
    if (!gridData)
        return std::nullopt;
    QByteArray description;
    for (const QByteArrayView piece : *gridData)
        description.append(piece);
    Reader reader(description);
    const quint64 version = reader.number(1);
    const quint64 flags = reader.number(1);
    Grid grid;
    grid.rows = int(reader.number(1)) + 1;
    grid.columns = int(reader.number(1)) + 1;
    const int sizeBytes = (flags & 1) ? 4 : 2;
    const quint64 width = reader.number(sizeBytes);
    const quint64 height = reader.number(sizeBytes);
    if (!reader.ok() || version != 0 || width == 0 || height == 0 || width > 1u << 20 || height > 1u << 20)
        return std::nullopt;
    grid.size = QSize(int(width), int(height));
    grid.quarterTurns = quarterTurnsOf(meta, meta.primary);
    const std::vector<quint32> tiles = meta.tilesOf.value(meta.primary);
    if (tiles.size() != size_t(grid.rows) * size_t(grid.columns))
        return std::nullopt;
    for (const quint32 id : tiles) {
        // Phones' tiles are 512 on a side; a tile this large is a whole
        // picture coded as one, which libheif decodes as well.
        QSize size;
        std::optional<Tile> tile = tileOf(meta, id, file, TileProperties, MostTileSide, size);
        if (!tile || !coloursAreTheGrids(meta, id, *gridProperties)
            || (!grid.tileSize.isEmpty() && size != grid.tileSize))
            return std::nullopt;
        grid.tileSize = size;
        grid.tiles.push_back(std::move(*tile));
    }
    // The tiles cover the picture, the last row and column no more than it
    // needs, as libheif pastes them.
    const qint64 tileWidth = grid.tileSize.width(), tileHeight = grid.tileSize.height();
    if (tileWidth * grid.columns < grid.size.width() || tileWidth * (grid.columns - 1) >= grid.size.width()
        || tileHeight * grid.rows < grid.size.height() || tileHeight * (grid.rows - 1) >= grid.size.height())
        return std::nullopt;
    return grid;
}

} // namespace

TurnSaid turnSaidOf(QByteArrayView file)
{
    TurnSaid said;
    for (const Box &meta : boxesIn(file)) {
        if (meta.type != "meta" || meta.body.size() < 4)
            continue;
        const std::optional<QByteArrayView> iprp = bodyOf(boxesIn(meta.body.sliced(4)), "iprp");
        const std::optional<QByteArrayView> ipco = iprp ? bodyOf(boxesIn(*iprp), "ipco") : std::nullopt;
        if (!ipco)
            continue;
        for (const Box &property : boxesIn(*ipco))
            noteTurn(said, property);
    }
    return said;
}

TurnSaid turnLeftToThumbnail(QByteArrayView file, quint32 thumbnail)
{
    const std::optional<Meta> meta = metaOf(file);
    if (!meta)
        return {};
    const TurnSaid own = turnSaidOf(*meta, thumbnail);
    return own.quarterTurns || own.mirror ? TurnSaid{} : turnSaidOf(*meta, meta->primary);
}

std::optional<Grid> plainGridOf(QByteArrayView file)
{
    const std::optional<Meta> meta = metaOf(file);
    if (!meta)
        return std::nullopt;
    const QByteArrayView type = meta->types.value(meta->primary);
    return type == "grid" ? gridOf(*meta, file) : type == "hvc1" ? wholeOf(*meta, file) : std::nullopt;
}

} // namespace picture::heifgrid
