#include "math/list.h"

#include "platform/crt.h"

List* ListCreate() { return crt::AlignedNew<List>(); }

void ListAppend(List& list, uintptr_t value) {
  ListNode* node = crt::AlignedNew<ListNode>(ListNode{value, nullptr, nullptr});
  if (!list.first) {
    list.first = node;
  } else {
    node->prev = list.last;
    list.last->next = node;
  }
  list.last = node;
  ++list.count;
}

uintptr_t ListAt(const List& list, uint32_t index) {
  uint32_t i = 0;
  for (const ListNode* node = list.first; node; node = node->next, ++i)
    if (i == index) return node->value;
  return 0;
}

uint32_t ListCount(const List& list) { return list.count; }

void ListRemoveValue(List& list, uintptr_t value) {
  ListNode* node = list.first;
  while (node && node->value != value) node = node->next;
  if (!node) return;
  if (node->prev)
    node->prev->next = node->next;
  else
    list.first = node->next;
  if (node->next)
    node->next->prev = node->prev;
  else
    list.last = node->prev;
  crt::AlignedDelete(node);
  --list.count;
}

void ListClear(List& list) {
  ListNode* node = list.first;
  while (node) {
    ListNode* next = node->next;
    crt::AlignedDelete(node);
    node = next;
  }
  list.first = nullptr;
  list.last = nullptr;
  list.count = 0;
}

void ListDestroy(List* list) {
  if (!list) return;
  ListClear(*list);
  crt::AlignedDelete(list);
}
