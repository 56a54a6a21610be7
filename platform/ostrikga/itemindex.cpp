// Ostrikga network graphics: the two-way map between network objects and their items.
#include "itemindex.h"

#include "genericgraphicsitem.h"

#include <algorithm>
#include <functional>

namespace Ostrikga {

namespace {

// Pointers of unrelated objects compare only through std::less.
template <typename T>
bool before(const T *a, const T *b)
{
    return std::less<const T *>()(a, b);
}

} // namespace

void ItemIndex::add(const std::vector<GenericGraphicsItem *> &items)
{
    compact();
    m_byObject.reserve(m_byObject.size() + items.size());
    m_byItem.reserve(m_byItem.size() + items.size());
    for (GenericGraphicsItem *item : items) {
        m_byObject.push_back({item->object(), item});
        m_byItem.push_back({item, item});
    }
    const auto byObject = [](const ByObject &a, const ByObject &b) { return before(a.object, b.object); };
    const auto byItem = [](const ByItem &a, const ByItem &b) { return before(a.key, b.key); };
    // Stable: of two entries for one object (or item) the earlier one stays.
    std::stable_sort(m_byObject.begin(), m_byObject.end(), byObject);
    std::stable_sort(m_byItem.begin(), m_byItem.end(), byItem);
    const auto sameObject = [](const ByObject &a, const ByObject &b) { return a.object == b.object; };
    const auto sameItem = [](const ByItem &a, const ByItem &b) { return a.key == b.key; };
    m_byObject.erase(std::unique(m_byObject.begin(), m_byObject.end(), sameObject), m_byObject.end());
    m_byItem.erase(std::unique(m_byItem.begin(), m_byItem.end(), sameItem), m_byItem.end());
    m_count = int(m_byItem.size());
    m_anyFrom = 0;
}

std::vector<ItemIndex::ByObject>::const_iterator ItemIndex::findObject(const Ostrika::NetObject *object) const
{
    const auto it = std::lower_bound(m_byObject.cbegin(), m_byObject.cend(), object,
                                     [](const ByObject &e, const Ostrika::NetObject *o) { return before(e.object, o); });
    return it != m_byObject.cend() && it->object == object ? it : m_byObject.cend();
}

std::vector<ItemIndex::ByItem>::const_iterator ItemIndex::findItem(const QGraphicsItem *item) const
{
    const auto it = std::lower_bound(m_byItem.cbegin(), m_byItem.cend(), item,
                                     [](const ByItem &e, const QGraphicsItem *i) { return before(e.key, i); });
    return it != m_byItem.cend() && it->key == item ? it : m_byItem.cend();
}

GenericGraphicsItem *ItemIndex::item(const Ostrika::NetObject *object) const
{
    const auto it = findObject(object);
    return it == m_byObject.cend() ? nullptr : it->item;
}

Ostrika::NetObject *ItemIndex::object(const QGraphicsItem *item) const
{
    const auto it = findItem(item);
    return it == m_byItem.cend() || !it->item ? nullptr : it->item->object();
}

bool ItemIndex::take(const QGraphicsItem *item)
{
    const auto it = findItem(item);
    if (it == m_byItem.cend() || !it->item)
        return false;
    GenericGraphicsItem *known = it->item;
    m_byItem[size_t(it - m_byItem.cbegin())].item = nullptr;
    const auto o = findObject(known->object());
    if (o != m_byObject.cend() && o->item == known)
        m_byObject[size_t(o - m_byObject.cbegin())].item = nullptr;
    --m_count;
    return true;
}

GenericGraphicsItem *ItemIndex::takeAny()
{
    for (; m_anyFrom < m_byItem.size(); ++m_anyFrom) {
        if (GenericGraphicsItem *item = m_byItem[m_anyFrom].item) {
            take(item);
            return item;
        }
    }
    return nullptr;
}

std::vector<GenericGraphicsItem *> ItemIndex::items() const
{
    std::vector<GenericGraphicsItem *> out;
    out.reserve(size_t(m_count));
    for (const ByItem &e : m_byItem) {
        if (e.item)
            out.push_back(e.item);
    }
    return out;
}

void ItemIndex::compact()
{
    m_byObject.erase(std::remove_if(m_byObject.begin(), m_byObject.end(), [](const ByObject &e) { return !e.item; }),
                     m_byObject.end());
    m_byItem.erase(std::remove_if(m_byItem.begin(), m_byItem.end(), [](const ByItem &e) { return !e.item; }),
                   m_byItem.end());
}

void ItemIndex::clear()
{
    m_byObject = {};
    m_byItem = {};
    m_count = 0;
    m_anyFrom = 0;
}

} // namespace Ostrikga
