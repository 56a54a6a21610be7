// Ostrikga network graphics: the two-way map between network objects and their items.
#pragma once

#include <QtGlobal>

#include <vector>

class QGraphicsItem;

namespace Ostrika {
class NetObject;
}

namespace Ostrikga {

class GenericGraphicsItem;

/*!
 * Which item draws which network object, and back, for a network of hundreds of thousands
 * of objects: two sorted arrays (16 bytes an entry each, where a hash spends about 50 and one
 * allocation). Look-ups never dereference the pointer asked about, so a stale or foreign
 * pointer just finds nothing. Items are added in bulk; a forgotten item leaves a gap that the
 * next add() closes.
 */
class ItemIndex
{
public:
    //! Adds \a items under their objects; an object or item known already is not added again.
    void add(const std::vector<GenericGraphicsItem *> &items);
    GenericGraphicsItem *item(const Ostrika::NetObject *object) const;
    Ostrika::NetObject *object(const QGraphicsItem *item) const;
    //! Forgets \a item; returns whether it was known.
    bool take(const QGraphicsItem *item);
    //! Forgets and returns some known item; null when none is left.
    GenericGraphicsItem *takeAny();
    bool isEmpty() const { return m_count == 0; }
    int size() const { return m_count; }
    //! The known items, in no particular order.
    std::vector<GenericGraphicsItem *> items() const;
    void clear();

private:
    struct ByObject {
        const Ostrika::NetObject *object;
        GenericGraphicsItem *item; // null once forgotten
    };
    struct ByItem {
        const QGraphicsItem *key;
        GenericGraphicsItem *item; // null once forgotten
    };
    void compact();
    std::vector<ByObject>::const_iterator findObject(const Ostrika::NetObject *object) const;
    std::vector<ByItem>::const_iterator findItem(const QGraphicsItem *item) const;

    std::vector<ByObject> m_byObject;
    std::vector<ByItem> m_byItem;
    int m_count = 0;
    size_t m_anyFrom = 0; // takeAny() looks on from here
};

} // namespace Ostrikga
