// Storage for the nodes of one document: nodes are made in place in mapped blocks (huge pages
// where the kernel gives them) and never move, and all of them end with the pool. A 10 MB page
// has close to a million nodes; taking their memory a small page at a time costs more than
// building them.
#pragma once
#include <cstddef>
#include <new>
#include <vector>

#include "host/engine/MappedBlock.h"

template <class Node>
class NodePool {
 public:
  NodePool() = default;
  ~NodePool() {
    for (size_t b = 0; b < blocks_.size(); ++b) {
      size_t count = b + 1 == blocks_.size() ? usedInLast_ : NodesIn(b);
      for (size_t i = 0; i < count; ++i) At(b, i)->~Node();
    }
  }
  NodePool(const NodePool&) = delete;
  NodePool& operator=(const NodePool&) = delete;

  Node& New() {
    if (blocks_.empty() || usedInLast_ == NodesIn(blocks_.size() - 1)) {
      blocks_.emplace_back(BlockBytes(blocks_.size()));
      usedInLast_ = 0;
    }
    Node* node = ::new (static_cast<void*>(At(blocks_.size() - 1, usedInLast_))) Node();
    ++usedInLast_;
    return *node;
  }

 private:
  // The first block suits an ordinary page; later ones are large.
  static size_t BlockBytes(size_t index) { return index == 0 ? size_t{256} << 10 : size_t{32} << 20; }
  static size_t NodesIn(size_t index) { return BlockBytes(index) / sizeof(Node); }
  Node* At(size_t block, size_t i) const { return reinterpret_cast<Node*>(blocks_[block].data()) + i; }

  std::vector<MappedBlock> blocks_;
  size_t usedInLast_ = 0;
};
