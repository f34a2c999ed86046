#include "folders/sortorder.h"

#include "platform/paths.h"
#include "platform/platform.h"

#include <algorithm>
#include <vector>

namespace folders {
namespace {

struct KeyName
{
    SortKey key;
    const char *name;
};

constexpr KeyName KeyNames[] = {
    {SortKey::Name, "name"}, {SortKey::Taken, "taken"}, {SortKey::Modified, "modified"}, {SortKey::Size, "size"}};

constexpr char ReversedSuffix[] = "-reversed";

} // namespace

QString sortOrderName(SortOrder order)
{
    for (const KeyName &known : KeyNames) {
        if (known.key == order.key)
            return QString::fromLatin1(known.name) + (order.reversed ? QString::fromLatin1(ReversedSuffix) : QString());
    }
    return QStringLiteral("name");
}

SortOrder sortOrderNamed(const QString &name)
{
    const QString suffix = QString::fromLatin1(ReversedSuffix);
    const bool reversed = name.endsWith(suffix);
    const QString key = reversed ? name.chopped(suffix.size()) : name;
    for (const KeyName &known : KeyNames) {
        if (key == QLatin1String(known.name))
            return {known.key, reversed};
    }
    return {};
}

void sortNames(QStringList &names, const QString &folder, SortOrder order, const TakenOf &takenOf)
{
    if (order.key == SortKey::Name) {
        if (order.reversed)
            std::reverse(names.begin(), names.end());
        return;
    }
    struct Keyed
    {
        std::optional<qint64> value;
        QString name;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(size_t(names.size()));
    for (const QString &name : names) {
        const QString path = platform::joinFolder(folder, name);
        std::optional<qint64> value;
        if (order.key == SortKey::Taken && takenOf)
            value = takenOf(path);
        if (!value) {
            if (const std::optional<platform::FileStamp> stamp = platform::fileStamp(path))
                value = order.key == SortKey::Size ? stamp->size : stamp->modifiedNs / 1'000'000;
        }
        keyed.push_back({value, name});
    }
    // Stable: equal keys keep the natural order they came in, reversed or not.
    std::stable_sort(keyed.begin(), keyed.end(), [reversed = order.reversed](const Keyed &a, const Keyed &b) {
        if (!a.value || !b.value)
            return a.value.has_value() && !b.value.has_value();
        return reversed ? *a.value > *b.value : *a.value < *b.value;
    });
    for (qsizetype i = 0; i < names.size(); ++i)
        names[i] = keyed[size_t(i)].name;
}

} // namespace folders
