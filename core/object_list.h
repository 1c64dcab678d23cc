// The one list container of the engine: a doubly linked list in insertion
// order, used for the object registry, for track lists and for key lists.
// The list owns its nodes and, through releaseListItem (found by argument
// lookup for the item type), the items it holds.
#pragma once
#include <cstdint>

#include "core/memory.h"

template <class T>
struct ListNode {
    T* item;
    ListNode* previous;
    ListNode* next;
};

template <class T>
class ObjectList {
public:
    ObjectList() = default;
    ~ObjectList() { clear(); }
    ObjectList(const ObjectList&) = delete;
    ObjectList& operator=(const ObjectList&) = delete;

    T* append(T* item)
    {
        ListNode<T>* node = memNew<ListNode<T>>();
        node->item = item;
        node->previous = tail_;
        if (tail_) tail_->next = node;
        else head_ = node;
        tail_ = node;
        return item;
    }

    int32_t count() const
    {
        int32_t n = 0;
        for (ListNode<T>* node = head_; node; node = node->next) ++n;
        return n;
    }

    // The item `index` steps from the head, or null past the end.
    T* at(int32_t index) const
    {
        if (index < 0) return nullptr;
        ListNode<T>* node = head_;
        while (node && index > 0) {
            node = node->next;
            --index;
        }
        return node ? node->item : nullptr;
    }

    ListNode<T>* head() const { return head_; }
    ListNode<T>* tail() const { return tail_; }

    // Releases the items and frees the nodes from the tail towards the head.
    void clear()
    {
        while (tail_) {
            ListNode<T>* node = tail_;
            tail_ = node->previous;
            if (tail_) tail_->next = nullptr;
            else head_ = nullptr;
            releaseListItem(node->item);
            memDelete(node);
        }
    }

    class Iterator {
    public:
        explicit Iterator(ListNode<T>* node) : node_(node) {}
        T* operator*() const { return node_->item; }
        Iterator& operator++()
        {
            node_ = node_->next;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return node_ != other.node_; }

    private:
        ListNode<T>* node_;
    };
    Iterator begin() const { return Iterator(head_); }
    Iterator end() const { return Iterator(nullptr); }

private:
    ListNode<T>* head_ = nullptr;
    ListNode<T>* tail_ = nullptr;
};
