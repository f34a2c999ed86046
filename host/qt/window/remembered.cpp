#include "host/qt/window/remembered.h"

#include <QStandardPaths>

namespace qthost {
namespace {

const QString Geometry = QStringLiteral("window/geometry");
const QString OtherFormats = QStringLiteral("filter/otherFormats");
const QString ChosenFolders = QStringLiteral("actions/chosenFolders");
const QString SortOrder = QStringLiteral("files/sortOrder");
const QString ThumbnailStrip = QStringLiteral("view/thumbnailStrip");
const QString GridTileSide = QStringLiteral("view/gridTileSide");
const QString Pairs = QStringLiteral("files/pairs");

} // namespace

RememberedSettings::RememberedSettings(const QString &file) : m_settings(file, QSettings::IniFormat) {}

QString RememberedSettings::defaultFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/settings.conf");
}

QByteArray RememberedSettings::windowGeometry() const
{
    return m_settings.value(Geometry).toByteArray();
}

void RememberedSettings::setWindowGeometry(const QByteArray &geometry)
{
    m_settings.setValue(Geometry, geometry);
}

bool RememberedSettings::otherFormats() const
{
    return m_settings.value(OtherFormats, false).toBool();
}

void RememberedSettings::setOtherFormats(bool ticked)
{
    m_settings.setValue(OtherFormats, ticked);
}

QStringList RememberedSettings::chosenFolders() const
{
    return m_settings.value(ChosenFolders).toStringList();
}

void RememberedSettings::setChosenFolders(const QStringList &folders)
{
    m_settings.setValue(ChosenFolders, folders);
}

QString RememberedSettings::pairs() const
{
    return m_settings.value(Pairs).toString();
}

void RememberedSettings::setPairs(const QString &pairs)
{
    m_settings.setValue(Pairs, pairs);
}

QString RememberedSettings::sortOrder() const
{
    return m_settings.value(SortOrder).toString();
}

void RememberedSettings::setSortOrder(const QString &order)
{
    m_settings.setValue(SortOrder, order);
}

bool RememberedSettings::thumbnailStrip() const
{
    return m_settings.value(ThumbnailStrip, false).toBool();
}

void RememberedSettings::setThumbnailStrip(bool shown)
{
    m_settings.setValue(ThumbnailStrip, shown);
}

int RememberedSettings::gridTileSide() const
{
    return m_settings.value(GridTileSide, 0).toInt();
}

void RememberedSettings::setGridTileSide(int side)
{
    m_settings.setValue(GridTileSide, side);
}

bool RememberedSettings::save()
{
    m_settings.sync();
    return m_settings.status() == QSettings::NoError;
}

} // namespace qthost
