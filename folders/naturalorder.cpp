#include "folders/naturalorder.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

namespace folders {
namespace {

constexpr char16_t FirstPrintable = 0x20;
constexpr char16_t LastPrintable = 0x7E;

bool isPlainAscii(const QString &name)
{
    return std::all_of(name.cbegin(), name.cend(), [](QChar c) {
        return c.unicode() >= FirstPrintable && c.unicode() <= LastPrintable;
    });
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Where each printable ASCII character stands in the collator's order, equal
// characters (a and A) equal. In English and Japanese the collator has no
// contractions among these characters (Danish "aa" would be one), so a name
// compares as its characters do, a run of digits as its number.
class AsciiOrder
{
public:
    explicit AsciiOrder(const QCollator &collator)
    {
        std::vector<char16_t> characters;
        for (char16_t c = FirstPrintable; c <= LastPrintable; ++c) {
            if (!isDigit(c) || c == u'0')
                characters.push_back(c);
        }
        const auto text = [](char16_t c) { return QString(QChar(c)); };
        std::stable_sort(characters.begin(), characters.end(),
                         [&](char16_t a, char16_t b) { return collator.compare(text(a), text(b)) < 0; });
        int rank = 0;
        for (std::size_t i = 0; i < characters.size(); ++i) {
            if (i > 0 && collator.compare(text(characters[i - 1]), text(characters[i])) != 0)
                ++rank;
            m_rank[characters[i] - FirstPrintable] = rank;
        }
        for (char16_t digit = u'1'; digit <= u'9'; ++digit)
            m_rank[digit - FirstPrintable] = m_rank[u'0' - FirstPrintable];
    }

    int compare(QStringView a, QStringView b) const
    {
        qsizetype i = 0, j = 0;
        while (i < a.size() && j < b.size()) {
            const char16_t x = a[i].unicode(), y = b[j].unicode();
            if (isDigit(x) && isDigit(y)) {
                // Numbers by value: leading zeros do not count.
                while (i < a.size() && a[i] == u'0')
                    ++i;
                while (j < b.size() && b[j] == u'0')
                    ++j;
                qsizetype endA = i, endB = j;
                while (endA < a.size() && isDigit(a[endA].unicode()))
                    ++endA;
                while (endB < b.size() && isDigit(b[endB].unicode()))
                    ++endB;
                if (endA - i != endB - j)
                    return endA - i < endB - j ? -1 : 1;
                for (; i < endA; ++i, ++j) {
                    if (a[i] != b[j])
                        return a[i] < b[j] ? -1 : 1;
                }
                continue;
            }
            const int rx = m_rank[x - FirstPrintable], ry = m_rank[y - FirstPrintable];
            if (rx != ry)
                return rx < ry ? -1 : 1;
            ++i;
            ++j;
        }
        return (i < a.size()) - (j < b.size());
    }

private:
    std::array<int, LastPrintable - FirstPrintable + 1> m_rank{};
};

bool hasNoAsciiContractions(const QLocale &locale)
{
    return locale.language() == QLocale::English || locale.language() == QLocale::Japanese;
}

} // namespace

QCollator naturalCollator()
{
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

void sortNaturally(QStringList &names)
{
    const QCollator collator = naturalCollator();
    if (hasNoAsciiContractions(collator.locale()) && std::all_of(names.cbegin(), names.cend(), isPlainAscii)) {
        const AsciiOrder order(collator);
        std::stable_sort(names.begin(), names.end(),
                         [&order](const QString &a, const QString &b) { return order.compare(a, b) < 0; });
        return;
    }
    // One key per name, not one collation per comparison.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(std::size_t(names.size()));
    for (const QString &name : std::as_const(names))
        keys.push_back(collator.sortKey(name));
    std::vector<qsizetype> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&keys](qsizetype a, qsizetype b) {
        return keys[std::size_t(a)].compare(keys[std::size_t(b)]) < 0;
    });
    QStringList sorted;
    sorted.reserve(names.size());
    for (qsizetype index : order)
        sorted.append(std::move(names[index]));
    names = std::move(sorted);
}

} // namespace folders
