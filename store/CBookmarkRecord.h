// One bookmark as the bulk operations and the Favorites exchange pass it around.
#pragma once
#include <string>
#include <vector>

class CBookmarkRecord {
 public:
  CBookmarkRecord() = default;
  CBookmarkRecord(std::wstring category, std::wstring description, std::wstring address)
      : category(std::move(category)), description(std::move(description)), address(std::move(address)) {}
  virtual ~CBookmarkRecord() = default;
  CBookmarkRecord(const CBookmarkRecord&) = default;
  CBookmarkRecord& operator=(const CBookmarkRecord&) = default;
  CBookmarkRecord(CBookmarkRecord&&) = default;
  CBookmarkRecord& operator=(CBookmarkRecord&&) = default;

  std::wstring category;     // Category
  std::wstring description;  // Description
  std::wstring address;      // HomePage

  friend bool operator==(const CBookmarkRecord& a, const CBookmarkRecord& b) {
    return a.category == b.category && a.description == b.description && a.address == b.address;
  }
};

using CBookmarkRecordList = std::vector<CBookmarkRecord>;
