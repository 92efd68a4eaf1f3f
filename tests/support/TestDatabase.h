// A data folder with a fresh Bookmark.mdb built from the installation schema, for tests that
// run the store against a real database file.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

// Creates "<temp>/data" (or `name`) holding Bookmark.mdb with the tables and indexes, and
// returns the folder as the store expects it (no trailing separator).
std::wstring MakeTestDataFolder(const TempDir& temp, const std::string& name = "data");

// Runs SQL directly on the folder's database, outside the store (to arrange or inspect rows).
void ExecuteSql(const std::wstring& dataFolder, const std::string& sql);
// The first column of the first row of a query, as UTF-8 text ("" for no row or NULL).
std::string QueryText(const std::wstring& dataFolder, const std::string& sql);
long long QueryCount(const std::wstring& dataFolder, const std::string& table);

// Every row of a query, each as its column texts, untrimmed; NULL reads as the empty text (ask
// for typeof(column) where the difference matters).
std::vector<std::vector<std::wstring>> QueryRows(const std::wstring& dataFolder, const std::string& sql);
// The first column of every row of a query.
std::vector<std::wstring> QueryColumn(const std::wstring& dataFolder, const std::string& sql);
