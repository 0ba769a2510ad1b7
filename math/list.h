#pragma once
// Doubly linked list of pointer-sized words (object pointers or plain numbers), in insertion
// order. Walks go through ListItems; the key tracks step from node to node along `prev` and
// `next`, so the node layout is part of the interface. A stored 0 is allowed; ListAt cannot
// tell it from an index out of range, and callers treat a 0 they read as an absent entry.

#include <cstdint>

struct ListNode {
  uintptr_t value;
  ListNode* prev;  // null for the first node
  ListNode* next;  // null for the last node
};

struct List {
  ListNode* first;  // null when empty
  ListNode* last;   // meaningful only while first is set
  uint32_t count;
};

// An empty list on the aligned heap.
List* ListCreate();
// Adds a node holding value at the tail.
void ListAppend(List& list, uintptr_t value);
// Value of the node at index (0 = first), found by walking; 0 when index >= count.
uintptr_t ListAt(const List& list, uint32_t index);
uint32_t ListCount(const List& list);
// Unlinks and frees the first node from the head whose value equals value; nothing if none.
void ListRemoveValue(List& list, uintptr_t value);
// Frees every node; the list is empty with count 0.
void ListClear(List& list);
// ListClear, then frees the head. Null does nothing.
void ListDestroy(List* list);

// Pointer conveniences over the word interface.
inline void ListAppend(List& list, const void* object) {
  ListAppend(list, reinterpret_cast<uintptr_t>(object));
}
template <class T>
T* ListAtAs(const List& list, uint32_t index) {
  return reinterpret_cast<T*>(ListAt(list, index));
}
// The value of one node as a T pointer (null for a stored 0).
template <class T>
T* ListNodeAs(const ListNode& node) {
  return reinterpret_cast<T*>(node.value);
}

// The values of a list as T pointers, first to last:  for (Mesh* mesh : ListItems<Mesh>(list)).
// The loop body may free what a value points to, but must not unlink or append nodes.
template <class T>
struct ListItemRange {
  struct Iterator {
    const ListNode* node;
    T* operator*() const { return ListNodeAs<T>(*node); }
    Iterator& operator++() {
      node = node->next;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return node != other.node; }
  };
  const List& list;
  Iterator begin() const { return {list.first}; }
  Iterator end() const { return {nullptr}; }
};
template <class T>
ListItemRange<T> ListItems(const List& list) {
  return {list};
}
inline void ListRemoveValue(List& list, const void* object) {
  ListRemoveValue(list, reinterpret_cast<uintptr_t>(object));
}
