#pragma once

#include <QtGlobal>

#include <iterator>

namespace book {

// A part of a block of bytes or text, as lists that keep their items in one block hold them:
// 32 bits each, as a book is read only up to 4 GiB.
struct BlockSpan
{
    quint32 offset;
    quint32 size;
};

// An iterator over a list whose at() gives values, not references (views into one block): an
// index, really, so that range-for and the standard algorithms can walk the list.
template<typename List, typename Value>
class IndexIterator
{
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = Value;
    using difference_type = qsizetype;
    using pointer = void;
    using reference = Value;

    IndexIterator() = default;
    IndexIterator(const List *list, qsizetype index)
        : m_list(list)
        , m_index(index)
    {
    }
    Value operator*() const { return m_list->at(m_index); }
    IndexIterator &operator++() { return ++m_index, *this; }
    IndexIterator operator++(int) { return {m_list, m_index++}; }
    friend IndexIterator operator+(IndexIterator it, qsizetype n)
    {
        return {it.m_list, it.m_index + n};
    }
    friend qsizetype operator-(IndexIterator a, IndexIterator b) { return a.m_index - b.m_index; }
    friend bool operator==(IndexIterator a, IndexIterator b) { return a.m_index == b.m_index; }

private:
    const List *m_list = nullptr;
    qsizetype m_index = 0;
};

} // namespace book
