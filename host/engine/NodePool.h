// Storage for the nodes of one document: nodes are made in place in an arena of their own and
// never move, and all of them end with the pool. A 10 MB page has over a million nodes; taking
// their memory from mapped blocks a helper faults in costs far less than a heap allocation each.
#pragma once
#include <cstddef>
#include <new>
#include <utility>
#include <vector>

#include "host/engine/MappedArena.h"

template <class Node>
class NodePool {
 public:
  NodePool() = default;
  ~NodePool() {
    for (auto [first, count] : runs_)
      for (size_t i = 0; i < count; ++i) first[i].~Node();
  }
  NodePool(const NodePool&) = delete;
  NodePool& operator=(const NodePool&) = delete;

  // Room for about `count` nodes; see MappedArena::Expect.
  void Expect(size_t count) { arena_.Expect(count * sizeof(Node)); }
  void Seal() { arena_.Seal(); }

  Node& New() {
    void* memory = arena_.Allocate(sizeof(Node), alignof(Node));
    Node* node = ::new (memory) Node();
    // Nodes follow each other in the arena until it opens a new block; each run is destroyed
    // as an array.
    if (runs_.empty() || runs_.back().first + runs_.back().second != node) runs_.emplace_back(node, 0);
    ++runs_.back().second;
    return *node;
  }

 private:
  MappedArena arena_;
  std::vector<std::pair<Node*, size_t>> runs_;
};
